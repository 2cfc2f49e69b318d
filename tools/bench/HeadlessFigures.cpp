// The headless program's rows: started as a station starts it, with a private settings store, journal
// and log folder.
#include "HeadlessFigures.h"

#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "EventLoopWait.h"
#include "ProcessStats.h"
#include "SimProcess.h"
#include "settings/SettingsKey.h"

namespace fs = std::filesystem;

namespace {

// A station's stored choices: logging on, into logs/ under the folder, from Com port 1.
QProcessEnvironment StationEnvironment(const QTemporaryDir& home, const SimProcess& sim) {
    const std::string config = home.filePath("config").toStdString();
    const char* previous = getenv("XDG_CONFIG_HOME");
    const std::string restore = previous != nullptr ? previous : "";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    {
        CSettingsKey key;
        key.Open(kProductKeyPath, false);
        key.WriteDword(kValueLogEnable, 1);
        key.WriteString(kValueLogPath, home.filePath("logs").toStdString() + "/");
        key.WriteWord(kValueRunPort, 1);
    }
    if (previous != nullptr)
        setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config));
    env.insert("XDG_STATE_HOME", home.filePath("state"));
    env.insert("CORVANE_DEVICE_DIR", QString::fromStdString(sim.DeviceDir()));
    return env;
}

// Lines in the log folder's files so far.
std::size_t LoggedLines(const QTemporaryDir& home) {
    std::size_t count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(home.filePath("logs").toStdString(), error)) {
        std::FILE* file = std::fopen(entry.path().c_str(), "rb");
        if (file == nullptr) continue;
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            count += static_cast<std::size_t>(std::count(buffer, buffer + n, '\n'));
        std::fclose(file);
    }
    return count;
}

// Starts the program and waits until its journal, echoed on standard error, says the run has started.
bool StartStation(QProcess& corvane, const std::string& path, const QProcessEnvironment& env) {
    corvane.setProcessEnvironment(env);
    corvane.start(QString::fromStdString(path), {"--start", "--headless", "--listen", "off"});
    QByteArray journal;
    return corvane.waitForStarted() && WaitFor(
                                           [&] {
                                               journal += corvane.readAllStandardError();
                                               return journal.contains(" run-started ");
                                           },
                                           15000, 1);
}

void StopStation(QProcess& corvane) {
    kill(static_cast<pid_t>(corvane.processId()), SIGTERM);
    corvane.waitForFinished(10000);
}

double Megabytes(std::int64_t kilobytes) {
    return static_cast<double>(kilobytes) / 1024;
}

}  // namespace

BenchTable MeasureHeadless(const std::string& corvane, int runs, int lines) {
    std::vector<double> startups;
    {
        QTemporaryDir home;
        SimProcess sim({"--records", "D", "--averaging", "1"});
        const QProcessEnvironment env = StationEnvironment(home, sim);
        for (int i = 0; i < runs; ++i) {
            QProcess station;
            const double start = MonotonicSeconds();
            if (StartStation(station, corvane, env)) startups.push_back((MonotonicSeconds() - start) * 1e3);
            StopStation(station);
        }
    }

    QTemporaryDir home;
    SimProcess sim({"--burst", std::to_string(lines), "--records", "D", "--averaging", "3600"});
    QProcess station;
    std::string memory = "did not start";
    if (StartStation(station, corvane, StationEnvironment(home, sim))) {
        const auto pid = static_cast<pid_t>(station.processId());
        memory = Format("%.1f MB", Megabytes(ResidentKilobytes(pid)));
        for (const int share : {10, 50, 100}) {
            const auto count = static_cast<std::size_t>(lines) * static_cast<std::size_t>(share) / 100;
            WaitFor([&] { return LoggedLines(home) >= count; }, 300000, 50);
            memory += Format(", %.1f MB", Megabytes(ResidentKilobytes(pid)));
        }
    }
    StopStation(station);
    return {
        {Format("Start-up of `corvane --start --headless` to its run started: handshake, settings loaded, "
                "\"UB\" answered (median of %.0f)",
                runs),
         startups.empty() ? "did not start" : Format("%.1f ms", Percentile(startups, 50)), "-", "-"},
        {Format("Resident memory of `corvane --start --headless` at its run's start, after %.0f, %.0f and "
                "%.0f lines",
                lines / 10, lines / 2, lines),
         memory, "-", "flat"}};
}
