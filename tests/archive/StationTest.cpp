// The real program, headless against the simulator, sending its hourly files to a real sshd of the test's
// own: killed (SIGKILL) at each step of a file's way and started again, across the turn of a year; its
// live /metrics read by promtool and scraped by a real Prometheus that evaluates the upload's alert rules
// while the server is down and back; and a station description with problems told while acquisition
// goes on. Each test runs a station of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "ArchiveTestSupport.h"
#include "CorvaneProcess.h"
#include "ExpositionCheck.h"
#include "HttpClient.h"
#include "MonitoringProcesses.h"
#include "SimProcess.h"
#include "SshServer.h"
#include "archive/HourKey.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The archive files of the folder, or every other file; by name.
std::vector<std::string> ArchiveFiles(const fs::path& folder, bool archive = true) {
    std::vector<std::string> names = FileNames(folder);
    std::erase_if(names,
                  [&](const std::string& name) { return HourKeyOfFileName(name).has_value() != archive; });
    return names;
}

// The hour ids ("NO0042R.20261231230000") of archive file names, in the same order.
std::vector<std::string> HourIds(const std::vector<std::string>& names) {
    std::vector<std::string> ids;
    for (const std::string& name : names) ids.push_back(HourKeyOfFileName(name).value().Id());
    return ids;
}

// The end times of a file's rows, read from its end_time column (days since 1 January of its hour's year).
std::set<std::time_t> RowEnds(const NasaAmesFile& file, std::time_t hour) {
    std::tm calendar{};
    gmtime_r(&hour, &calendar);
    std::tm start{};
    start.tm_year = calendar.tm_year;
    start.tm_mday = 1;
    std::set<std::time_t> ends;
    for (const std::vector<std::string>& row : file.rows)
        ends.insert(timegm(&start) + std::llround(std::stod(row.at(1)) * 86400));
    return ends;
}

// A whole station: the real corvane in a home whose station description has export on, the simulator
// (records T, D, Y and Z, one averaging period a minute, an hour in three seconds) and the server (made,
// not started); and what the tests read back.
class CStationUnderTest {
public:
    explicit CStationUnderTest(const std::string& localClock)
        : m_sim({"--records", "DTYZ", "--averaging", "60", "--speed", "1200", "--clock", localClock}) {
        std::string text = ReadText(TestData("data/station.conf"));
        text.replace(text.find("export = off"), std::string("export = off").size(), "export = on");
        fs::create_directories(StationFile().parent_path());
        WriteText(StationFile(), text + "upload_url = " + m_server.Url() +
                                     "\nupload_key = " + m_server.ClientKey().string() +
                                     "\nupload_host_key = " + m_server.Fingerprint() + "\n");
    }

    CTestSshServer& Server() { return m_server; }
    // Starts the program (again) with these extra environment entries ("NAME=value").
    CorvaneProcess& StartProgram(const QStringList& environment = {}) {
        m_program.reset();
        return m_program.emplace(m_sim, QString::fromStdString(m_home.Path().string()), environment);
    }
    CorvaneProcess& Program() { return *m_program; }
    // Ends the program with SIGTERM; true when it exited with status 0.
    bool StopProgram() { return m_program->Stop() == 0; }
    // The journal and the program's own output, for failure messages.
    std::string Said() const { return Journal() + (m_program ? m_program->Output() : std::string()); }

    fs::path StationFile() const { return m_home.Path() / "config/corvane/station.conf"; }
    std::string Journal() const { return ReadText(m_home.Path() / "state/corvane/events.log"); }
    // The journal lines that carry this event word.
    std::vector<std::string> JournalLines(const std::string& word) const {
        std::vector<std::string> found;
        std::istringstream lines(Journal());
        for (std::string line; std::getline(lines, line);)
            if (line.find(' ' + word + ' ') != std::string::npos) found.push_back(line);
        return found;
    }
    std::size_t JournalCount(const std::string& word) const { return JournalLines(word).size(); }

    // The archive files on the server under their final names, in the order they arrived there.
    std::vector<std::string> ServerFiles() const {
        const fs::path folder = m_server.RemoteFolder();
        std::vector<std::string> names = ArchiveFiles(folder);
        std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
            return fs::last_write_time(folder / a) < fs::last_write_time(folder / b);
        });
        return names;
    }
    std::vector<std::string> OutboxFiles() const {
        return ArchiveFiles(m_home.Path() / "state/corvane/outbox");
    }

    // The rows the log files hold, read as the archive must read them but by code of the test's own: for
    // each hour (its UTC start), the end times of the periods whose time record is followed by a D or Y
    // record. The instrument's local time is read in the test's time zone.
    std::map<std::time_t, std::set<std::time_t>> LogRowsByHour() const {
        std::map<std::time_t, std::set<std::time_t>> rows;
        for (const std::string& log : FileNames(m_home.Path() / "logs")) {
            std::ifstream in(m_home.Path() / "logs" / log, std::ios::binary);
            std::optional<std::time_t> time;
            for (std::string line; std::getline(in, line);) {
                std::tm local{};
                if (std::sscanf(line.c_str(), "T,%d,%d,%d,%d,%d,%d", &local.tm_year, &local.tm_mon,
                                &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec) == 6) {
                    local.tm_year -= 1900;
                    local.tm_mon -= 1;
                    local.tm_isdst = -1;
                    time = std::mktime(&local);
                } else if (time && (line.starts_with("D,") || line.starts_with("Y,"))) {
                    rows[(*time - 60) - (*time - 60) % 3600].insert(*time);
                }
            }
        }
        return rows;
    }

    // Every hour the log has rows for, except the last (still open when the program stopped), arrived
    // exactly once under its final name and nothing else is on the server; each file passes the
    // independent reader and holds exactly the log's rows of its hour.
    void ExpectServerHoldsTheLog() const {
        std::map<std::time_t, std::set<std::time_t>> logged = LogRowsByHour();
        EXPECT_GE(logged.size(), 2u) << "the log holds less than two hours";
        if (!logged.empty()) logged.erase(std::prev(logged.end()));
        std::vector<std::string> expected;
        for (const auto& [hour, rows] : logged) expected.push_back(HourKey{"NO0042R", hour}.Id());
        std::vector<std::string> arrived = HourIds(ServerFiles());
        std::sort(arrived.begin(), arrived.end());
        EXPECT_EQ(arrived, expected) << "each hour of the log once on the server";
        EXPECT_EQ(ArchiveFiles(m_server.RemoteFolder(), false), std::vector<std::string>())
            << "only final names";
        for (const std::string& name : ServerFiles()) {
            const std::time_t hour = HourKeyOfFileName(name).value().start;
            const NasaAmesFile file = ReadNasaAmes(ReadText(m_server.RemoteFolder() / name));
            EXPECT_EQ(file.problems, std::vector<std::string>()) << name;
            EXPECT_EQ(RowEnds(file, hour), logged[hour]) << name;
        }
    }

private:
    TempFolder m_home;
    CTestSshServer m_server;
    SimProcess m_sim;
    std::optional<CorvaneProcess> m_program;
};

class Station : public ::testing::Test {
protected:
    Station() { UseTimeZone(kCentralEurope); }
};

// A step of the preloaded library (KillAt.cpp), the instrument's local time at the start, and what the
// program started again journals: the file found on the server (not sent again), a partial file removed.
struct KillPoint {
    const char* name;
    const char* variable;
    const char* at;
    const char* clock;
    std::size_t foundOnServer;
    std::size_t partialsRemoved;
};

class StationKilled : public Station, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(StationKilled, AndStartedAgainNeitherLosesNorRepeatsAnHour) {
    const KillPoint& point = GetParam();
    CStationUnderTest station(point.clock);
    ASSERT_TRUE(station.Server().Start()) << station.Server().Log();
    station.StartProgram({"LD_PRELOAD=" CORVANE_KILL_AT,
                          QStringLiteral("%1=%2").arg(point.variable, point.at),
                          "ASAN_OPTIONS=verify_asan_link_order=0"});
    ASSERT_EQ(station.Program().WaitForExit(120000), -SIGKILL) << station.Said();
    const std::size_t before = station.ServerFiles().size();

    station.StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return station.ServerFiles().size() >= before + 2; }, 120s))
        << station.Said();
    ASSERT_TRUE(station.StopProgram()) << station.Said();

    station.ExpectServerHoldsTheLog();
    EXPECT_EQ(station.OutboxFiles(), std::vector<std::string>());
    EXPECT_EQ(station.JournalCount("upload-found-on-server"), point.foundOnServer) << station.Journal();
    EXPECT_EQ(station.JournalCount("archive-partial-removed"), point.partialsRemoved) << station.Journal();
    for (const char* word : {"upload-failed", "archive-lines-unread"})
        EXPECT_EQ(station.JournalCount(word), 0u) << station.Journal();
}

INSTANTIATE_TEST_SUITE_P(
    Archive, StationKilled,
    ::testing::Values(
        // The second hour written, not yet renamed into the outbox: it is written again from the log.
        KillPoint{"BetweenWritingAndRenaming", "CORVANE_KILL_AT_RENAME", "2", "2026-12-01T10:40:00", 0, 1},
        // The first hour on the server under its final name, not yet on the sent-list.
        KillPoint{"BetweenUploadingAndNotingIt", "CORVANE_KILL_AT_SENT_LIST", "1", "2026-12-01T10:40:00", 1,
                  0},
        // The last hour of the year sent and noted, not yet removed from the outbox; started again in
        // the new year, whose log's day began at local midnight, an hour before.
        KillPoint{"BetweenUploadingAndRemovingIt", "CORVANE_KILL_AT_REMOVE", "1", "2027-01-01T00:20:00", 0,
                  0}),
    [](const auto& info) { return std::string(info.param.name); });

std::optional<double> HourStart(const std::string& fileName) {
    return static_cast<double>(HourKeyOfFileName(fileName).value().start);
}

// The program's /metrics, checked by promtool.
std::string Metrics(const CorvaneProcess& program) {
    const HttpAnswer answer = Get(program.Port(), "/metrics");
    EXPECT_EQ(answer.status, 200) << "no /metrics on port " << program.Port();
    EXPECT_EQ(PromtoolComplaint(answer.body), "");
    return answer.body;
}

using StationMetrics = Station;

TEST_F(StationMetrics, TheUploadsFiguresFollowTheOutboxAndTheAlertOnALateHourFiresAndClearsInPrometheus) {
    // The server is down until the alert fires. The instrument's hours are days old by the PC's clock:
    // the first one waiting is late at once.
    CStationUnderTest station("2026-12-01T10:50:00");
    CorvaneProcess& program = station.StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return station.OutboxFiles().size() >= 2; }, 120s)) << station.Said();
    QFile rules(CORVANE_SOURCE_DIR "/dist/prometheus/rules/upload.yml");
    ASSERT_TRUE(rules.open(QIODevice::ReadOnly));
    const auto prometheus = StartPrometheus(program.Port(), {{"upload.yml", rules.readAll()}});
    ASSERT_TRUE(WaitUntil([&] { return AlertState(*prometheus, "CorvaneUploadBehind") == "firing"; }, 60s))
        << prometheus->Output();

    // Files written and counted between the two looks are allowed for; one may be counted at the next scan.
    const std::vector<std::string> before = station.OutboxFiles();
    const std::string metrics = Metrics(program);
    const std::vector<std::string> after = station.OutboxFiles();
    const std::vector<std::string> logged = program.LogLines();
    const std::optional<double> pending = Sample(metrics, "corvane_upload_pending_files");
    ASSERT_TRUE(pending.has_value()) << metrics;
    EXPECT_GE(*pending, static_cast<double>(before.size()) - 1) << metrics;
    EXPECT_LE(*pending, static_cast<double>(after.size())) << metrics;
    EXPECT_EQ(Sample(metrics, "corvane_upload_oldest_pending_timestamp_seconds"), HourStart(before.front()));
    EXPECT_GE(Sample(metrics, "corvane_archive_files_written_total"), static_cast<double>(before.size()));
    EXPECT_GE(Sample(metrics, "corvane_archive_last_hour_timestamp_seconds"), HourStart(before.back()));
    EXPECT_GE(Sample(metrics, "corvane_upload_failures_total"), 1.0);
    EXPECT_GT(Sample(metrics, "process_resident_memory_bytes"), 1e6);
    // The run as it is now, not as it was when the program started.
    const std::pair<const char*, std::optional<double>> exact[] = {
        {"corvane_archive_lines_unread_total", 0.0},
        {"corvane_archive_records_late_total", 0.0},
        {"corvane_archive_write_failures_total", 0.0},
        {"corvane_upload_last_success_timestamp_seconds", std::nullopt},
        {"corvane_run_state{state=\"running\"}", 1.0},
        {"corvane_run_state{state=\"waiting_for_instrument\"}", 0.0},
        {"corvane_instrument_connected", 1.0},
        {"corvane_run_logging", 1.0}};
    for (const auto& [name, value] : exact) EXPECT_EQ(Sample(metrics, name), value) << name;
    // A record is counted once it is logged: the log, read after the exposition, holds at least as many.
    const std::optional<double> counted = Sample(metrics, "corvane_records_total{letter=\"D\"}");
    EXPECT_GE(counted, 2.0);
    EXPECT_LE(counted,
              static_cast<double>(std::count_if(logged.begin(), logged.end(), [](const std::string& line) {
                  return line.starts_with("D,");
              })));

    ASSERT_TRUE(station.Server().Start()) << station.Server().Log();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return !Sample(Metrics(program), "corvane_upload_oldest_pending_timestamp_seconds").has_value();
        },
        120s))
        << station.Journal();
    ASSERT_TRUE(WaitUntil([&] { return AlertState(*prometheus, "CorvaneUploadBehind").isEmpty(); }, 60s))
        << prometheus->Output();
    EXPECT_TRUE(Sample(Metrics(program), "corvane_upload_last_success_timestamp_seconds").has_value());
    EXPECT_EQ(AlertState(*prometheus, "CorvaneUploadHostKeyMismatch"), QString());
    ASSERT_TRUE(station.StopProgram()) << station.Said();

    // The hours that waited arrived once and oldest first; the failure and the recovery told once each.
    station.ExpectServerHoldsTheLog();
    const std::vector<std::string> arrived = HourIds(station.ServerFiles());
    EXPECT_TRUE(std::is_sorted(arrived.begin(), arrived.end())) << "oldest first";
    EXPECT_EQ(station.JournalCount("upload-failed"), 1u) << station.Journal();
    EXPECT_EQ(station.JournalCount("upload-recovered"), 1u) << station.Journal();
}

TEST_F(StationMetrics, EveryProblemOfTheStationDescriptionAndItsKeyIsToldInOneJournalLineAndTheRunGoesOn) {
    CStationUnderTest station("2026-12-01T10:50:00");
    std::string text = ReadText(station.StationFile());
    text.replace(text.find("coefficient_factor"), 1, "#");
    const std::string fingerprint = station.Server().Fingerprint();
    text.replace(text.find(fingerprint), fingerprint.size(), "SHA256:short");
    WriteText(station.StationFile(), text);
    chmod(station.Server().ClientKey().c_str(), 0644);
    CorvaneProcess& program = station.StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return station.LogRowsByHour().size() >= 3; }, 120s)) << station.Said();

    const std::vector<std::string> told = station.JournalLines("station-config");
    ASSERT_EQ(told.size(), 1u) << station.Journal();
    for (const char* problem :
         {"coefficient_factor is missing", "upload_host_key \"SHA256:short\"", "chmod 600"})
        EXPECT_NE(told[0].find(problem), std::string::npos) << told[0];
    EXPECT_EQ(station.OutboxFiles(), std::vector<std::string>());
    EXPECT_EQ(Sample(Metrics(program), "corvane_upload_pending_files"), std::nullopt);
    ASSERT_TRUE(station.StopProgram()) << station.Said();
}

}  // namespace
