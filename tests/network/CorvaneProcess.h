// CorvaneProcess: the built corvane run as an unattended station runs it, `--start --headless`,
// logging a SimProcess's instrument, for the tests that watch the real program from outside: its
// home (settings store, station description, journal, log folder) in a temporary folder, its health
// server on a free loopback port.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class SimProcess;

class CorvaneProcess {
public:
    // Starts the program on sim's Com port, in home (a temporary folder of its own when empty) with
    // these extra environment entries ("NAME=value"), and waits until its health server listens.
    // Throws std::runtime_error with the program's output when it does not within 20 s.
    explicit CorvaneProcess(const SimProcess& sim, const QString& home = {},
                            const QStringList& environment = {});
    // Stops the program if it still runs.
    ~CorvaneProcess();
    CorvaneProcess(const CorvaneProcess&) = delete;
    CorvaneProcess& operator=(const CorvaneProcess&) = delete;

    quint16 Port() const { return m_nPort; }
    std::filesystem::path LogFolder() const { return m_home.toStdString() + "/logs"; }

    // The lines of every log file, in the order of their names (a run past midnight writes two),
    // without CR LF; a last line without them is marked "<no CR LF>".
    std::vector<std::string> LogLines() const;
    // Everything the program wrote on its standard error: the journal's lines, and any complaint.
    std::string Output() const;
    // The program's resident memory now (VmRSS), in bytes; 0 once it has ended.
    double ResidentBytes() const;

    // Waits up to timeoutMs for the program to end by itself: its exit status, or minus the signal
    // that ended it; nothing while it still runs.
    std::optional<int> WaitForExit(int timeoutMs);
    // SIGTERM, which stops the run as Stop Data does, and waits for the exit. Gives the exit
    // status, or -1 when the program crashed or had to be killed after 15 s.
    int Stop();

private:
    QTemporaryDir m_ownHome;
    QString m_home;
    quint16 m_nPort = 0;
    QProcess m_process;
};
