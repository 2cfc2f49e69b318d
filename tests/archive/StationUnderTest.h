// A whole station for the end-to-end tests of the archive's hourly files: the real corvane (a
// CorvaneProcess) in a home with a station description with export on, against the simulator, sending
// to a real sshd of the test's own. And what the tests read back: the server's files, the log's rows
// by hour and the journal.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "CorvaneProcess.h"
#include "SimProcess.h"
#include "SshServer.h"

class CStationUnderTest {
public:
    // Starts the simulator with these options; the server is made but not started.
    explicit CStationUnderTest(const std::vector<std::string>& simulatorOptions);
    CStationUnderTest(const CStationUnderTest&) = delete;
    CStationUnderTest& operator=(const CStationUnderTest&) = delete;

    CTestSshServer& Server() { return m_server; }
    // Starts the program (again) with these extra environment entries ("NAME=value").
    CorvaneProcess& StartProgram(const QStringList& environment = {});
    CorvaneProcess& Program() { return *m_program; }
    // Ends the program with SIGTERM; true when it exited with status 0.
    bool StopProgram() { return m_program->Stop() == 0; }
    // What the program wrote to its standard output and error, for failure messages.
    std::string ProgramOutput() const { return m_program ? m_program->Output() : std::string(); }

    // The station description file, written with export on when the station is made.
    std::filesystem::path StationFile() const { return m_home.Path() / "config/corvane/station.conf"; }
    std::filesystem::path LogFolder() const { return m_home.Path() / "logs"; }
    std::filesystem::path Outbox() const { return m_home.Path() / "state/corvane/outbox"; }
    std::string Journal() const;
    // The journal lines that carry this event word.
    std::vector<std::string> JournalLines(const std::string& word) const;
    std::size_t JournalCount(const std::string& word) const { return JournalLines(word).size(); }

    std::filesystem::path ServerFolder() const { return m_server.RemoteFolder(); }
    // The archive files on the server under their final names, in the order they arrived there.
    std::vector<std::string> ServerFiles() const;
    // Every other file on the server (a transfer's temporary name).
    std::vector<std::string> ServerLeftovers() const;
    // The archive files waiting in the outbox.
    std::vector<std::string> OutboxFiles() const;

private:
    TempFolder m_home;
    CTestSshServer m_server;
    std::unique_ptr<SimProcess> m_sim;
    std::optional<CorvaneProcess> m_program;
};

// The hour ids ("NO0042R.20261231230000") of archive file names, in the same order.
std::vector<std::string> HourIds(const std::vector<std::string>& names);

// The rows the log files of a folder hold, read as the archive must read them but by code of the test's
// own: for each hour (its UTC start), the end times of the averaging periods whose time record is
// followed by a D or Y record. The instrument's local time is read in the test's time zone.
std::map<std::time_t, std::set<std::time_t>> LogRowsByHour(const std::filesystem::path& folder,
                                                           std::chrono::seconds averaging);
