// CorvaneProcess: the built corvane run `--start --headless` on a SimProcess's instrument, for tests that
// watch the real program from outside: its home in a temporary folder, its health server on a free port.
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
    // Starts the program on sim's Com port in home (its own temporary folder when empty) with these extra
    // "NAME=value" entries and waits until it listens; throws with its output when it does not in 20 s.
    explicit CorvaneProcess(const SimProcess& sim, const QString& home = {},
                            const QStringList& environment = {});
    ~CorvaneProcess();
    CorvaneProcess(const CorvaneProcess&) = delete;
    CorvaneProcess& operator=(const CorvaneProcess&) = delete;

    quint16 Port() const { return m_nPort; }
    std::filesystem::path LogFolder() const { return m_home.toStdString() + "/logs"; }

    // The lines of every log file in name order, as FileLines gives them.
    std::vector<std::string> LogLines() const;
    // Everything the program wrote on its standard error: the journal's lines, and any complaint.
    std::string Output() const;
    // The program's resident memory now (VmRSS), in bytes; 0 once it has ended.
    double ResidentBytes() const;

    // Waits up to timeoutMs for the program to end: its exit status, or minus the signal that ended it.
    std::optional<int> WaitForExit(int timeoutMs);
    // SIGTERM (Stop Data) and the exit status; -1 when it crashed or had to be killed after 15 s.
    int Stop();

private:
    QTemporaryDir m_ownHome;
    QString m_home;
    quint16 m_nPort = 0;
    QProcess m_process;
};
