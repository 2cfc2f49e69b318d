// The program's figures.
#include "CorvaneFigures.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QDialog>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "BenchSession.h"
#include "EventLoopWait.h"
#include "LogWatcher.h"
#include "ProcessStats.h"

namespace {

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

using TimeWindows = std::vector<std::pair<double, double>>;

// Latencies in ms of the lines the simulator sent within any of the wall-clock windows (from, to]:
// the k-th line sent is the k-th line logged. Lines sent outside them (while the start sequence still
// held the window waiting out "UB", or in another part of the run) are left out.
std::vector<double> LatenciesSentWithin(const BenchSession& session, const LogWatcher& watcher,
                                        const TimeWindows& windows) {
    const auto sent = session.RunLines();
    const std::vector<double> logged = watcher.Stamps();
    std::vector<double> latencies;
    for (std::size_t k = 0; k < std::min(sent.size(), logged.size()); ++k)
        if (std::any_of(windows.begin(), windows.end(), [at = sent[k].first](const auto& window) {
                return at > window.first && at <= window.second;
            }))
            latencies.push_back((logged[k] - sent[k].first) * 1e3);
    return latencies;
}

bool LoggedExactly(const BenchSession& session) {
    const auto sent = session.RunLines();
    const auto logged = session.LogLines();
    if (sent.size() != logged.size()) return false;
    for (std::size_t i = 0; i < sent.size(); ++i)
        if (sent[i].second != logged[i]) return false;
    return true;
}

// Counts the log's syncs, still making each of them (on the window's thread or the sync thread).
std::shared_ptr<std::atomic<int>> CountSyncs(BenchSession& session) {
    auto count = std::make_shared<std::atomic<int>>(0);
    session.Sheet().Core().Log().SetFileCalls({[count](int fd) {
                                                   ++*count;
                                                   return fdatasync(fd);
                                               },
                                               close});
    return count;
}

// Runs the event loop for ms with no timer of its own in between, so nothing here wakes it.
void Idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Voluntary and involuntary context switches of this process so far, all threads.
double ContextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_nvcsw + usage.ru_nivcsw);
}

}  // namespace

BenchTable MeasureExchange() {
    SimProcess sim;
    setenv("CORVANE_DEVICE_DIR", sim.DeviceDir().c_str(), 1);
    CSerialLink link;
    std::vector<double> opens, commands;
    for (int i = 0; i < 20; ++i) {
        const double start = MonotonicSeconds();
        if (link.OpenPort(sim.Port(), kInstrumentBaud) != CSerialLink::kOpenOk)
            return {{"Open handshake", "failed", "-", ""}};
        opens.push_back((MonotonicSeconds() - start) * 1e3);
        link.ClosePort();
    }
    link.OpenPort(sim.Port(), kInstrumentBaud);
    for (int i = 0; i < 500; ++i) {
        const double start = MonotonicSeconds();
        link.SendCommand("SMB");
        commands.push_back((MonotonicSeconds() - start) * 1e3);
    }
    link.ClosePort();
    return {{"Open handshake (\"UE\", \"UE\" answered \"OK\"), 20 opens",
             Format("median %.2f ms, slowest %.2f ms", Percentile(opens, 50), Percentile(opens, 100)), "-",
             "< 10 ms"},
            {"Command round trip (\"SMB\"), 500 commands",
             Format("median %.3f ms, 99th percentile %.3f ms", Percentile(commands, 50),
                    Percentile(commands, 99)),
             "-", "-"}};
}

BenchTable MeasureThroughput(int lines, const MachineCeilings& ceilings) {
    BenchSession session({"--burst", std::to_string(lines), "--records", "D", "--averaging", "3600"},
                         "burst.dat");
    LogWatcher watcher(session.LogFolder().string(), "burst.dat");
    const std::shared_ptr<std::atomic<int>> syncs = CountSyncs(session);
    session.StartData();
    const auto count = static_cast<std::size_t>(lines);
    WaitFor([&] { return watcher.Count() >= count; }, 300000, 20);
    session.StopData();
    // From the first write to the last: the lines the first write brought waited out the start.
    const std::vector<double> stamps = watcher.Stamps();
    const auto first = std::upper_bound(stamps.begin(), stamps.end(), stamps.empty() ? 0 : stamps.front());
    const double seconds = stamps.empty() ? 0 : stamps.back() - stamps.front();
    const double rate = seconds > 0 ? static_cast<double>(stamps.end() - first) / seconds : 0;
    const bool exact = LoggedExactly(session);
    return {{Format("Sustained lines per second, serial line through the run core to the log file, window "
                    "shown (burst of %.0f "
                    "D lines, durable)",
                    lines),
             Format("%.0f lines/s, %.0f of %.0f logged", rate, static_cast<double>(session.LogLines().size()),
                    lines) +
                 (exact ? ", identical to what was sent" : ", NOT identical to what was sent") +
                 Format(", %.0f syncs", *syncs),
             Ratio(rate, ceilings.appendLinesPerSecond) + " of open-append-close, " +
                 Ratio(rate, ceilings.copyLinesPerSecond) + " of the copy",
             ">= 200,000 lines/s, >= 0.2 x of open-append-close, nothing lost"}};
}

BenchTable MeasureLatency(int seconds, const MachineCeilings& ceilings) {
    BenchSession session({"--records", "D", "--averaging", "1", "--speed", "10"}, "latency.dat");
    LogWatcher watcher(session.LogFolder().string(), "latency.dat");
    const std::shared_ptr<std::atomic<int>> syncs = CountSyncs(session);
    session.StartData();
    const double runStart = WallSeconds();
    const int syncsAtStart = *syncs;
    WaitFor([] { return false; }, seconds * 1000, 1000);
    const int runSyncs = *syncs - syncsAtStart;
    session.StopData();

    const std::vector<double> latencies = LatenciesSentWithin(session, watcher, {{runStart, WallSeconds()}});
    const double p99 = Percentile(latencies, 99);
    return {
        {Format(
             "Latency from a line's CR leaving the simulator to the line in the log file (10 lines/s, %.0f "
             "lines)",
             static_cast<double>(latencies.size())),
         Format("median %.3f ms, 99th percentile %.3f ms, slowest %.3f ms", Percentile(latencies, 50), p99,
                Percentile(latencies, 100)),
         Ratio(p99, ceilings.copyLatencyP99Ms) + " (99th percentiles)", "99th percentile < 1 ms"},
        {Format("Log syncs during the same run (%.0f s at 10 lines/s)", seconds),
         Format("%.0f syncs, %.2f per second", runSyncs, runSyncs / static_cast<double>(seconds)), "-",
         "<= 1 per second, every line on disk within 1 s"}};
}

BenchTable MeasureLatencyUnderHttpLoad(int seconds) {
    BenchSession session({"--records", "D", "--averaging", "1", "--speed", "10"}, "httpload.dat");
    const std::uint16_t port = session.StartStationServices();
    LogWatcher watcher(session.LogFolder().string(), "httpload.dat");
    session.StartData();
    // The same run left alone and under all of corvane-httpload's clients at once, in periods of
    // about 10 s that take turns, so that the shared machine's own load, which drifts, weighs on both.
    const int periods = std::max(1, seconds / 10), periodSeconds = seconds / periods;
    TimeWindows quietWindows, loadedWindows;
    long requestsSent = 0, requestsAnswered = 0, requestsFailed = 0;
    int unansweredAfter = 0;  // loads after which a normal request went unanswered
    for (int period = 0; period < periods; ++period) {
        const double quietStart = WallSeconds();
        WaitFor([] { return false; }, periodSeconds * 1000, 1000);
        const double loadStart = WallSeconds();
        quietWindows.push_back({quietStart, loadStart});
        QProcess load;
        load.start(QStringLiteral(CORVANE_HTTPLOAD),
                   {"--target", QStringLiteral("127.0.0.1:%1").arg(port), "--seconds",
                    QString::number(periodSeconds), "--rate", "200", "--idle", "200"});
        WaitFor([] { return false; }, periodSeconds * 1000, 1000);
        loadedWindows.push_back({loadStart, WallSeconds()});
        // Its last check, a normal request answered after the load, within 5 s.
        WaitFor([&] { return load.state() == QProcess::NotRunning; }, 10000, 100);
        if (load.state() != QProcess::NotRunning || load.exitStatus() != QProcess::NormalExit ||
            load.exitCode() != 0)
            ++unansweredAfter;
        long sent = 0, answered = 0, failed = 0;
        if (std::sscanf(load.readAllStandardOutput().constData(),
                        "steady requests: %ld sent, %ld answered 200, %ld failed", &sent, &answered,
                        &failed) == 3) {
            requestsSent += sent;
            requestsAnswered += answered;
            requestsFailed += failed;
        }
    }
    session.StopData();

    const std::vector<double> quiet = LatenciesSentWithin(session, watcher, quietWindows);
    const std::vector<double> loaded = LatenciesSentWithin(session, watcher, loadedWindows);
    const double p99Quiet = Percentile(quiet, 99), p99Loaded = Percentile(loaded, 99);
    return {
        {Format(
             "Latency from a line's CR leaving the simulator to the line in the log file, the health server "
             "under all of corvane-httpload's clients at once, against the same run without them "
             "(10 lines/s, %.0f periods of %.0f s each in turn, ",
             periods, periodSeconds) +
             Format("%.0f lines under the load, %.0f without)", static_cast<double>(loaded.size()),
                    static_cast<double>(quiet.size())),
         Format("99th percentile %.3f ms under the load, %.3f ms without; median %.3f ms", p99Loaded,
                p99Quiet, Percentile(loaded, 50)) +
             Format(" / %.3f ms; ", Percentile(quiet, 50)) +
             Format("steady requests %.0f sent, %.0f answered 200, %.0f failed; ",
                    static_cast<double>(requestsSent), static_cast<double>(requestsAnswered),
                    static_cast<double>(requestsFailed)) +
             (unansweredAfter == 0 ? "answered after every load"
                                   : Format("NOT answered after %.0f of the loads", unansweredAfter)),
         p99Quiet > 0 ? Format("%.2f x (99th percentiles)", p99Loaded / p99Quiet) : "-", "<= 1.2 x"}};
}

BenchTable MeasureCpu(int seconds, const MachineCeilings& ceilings) {
    BenchSession session({"--records", "D", "--averaging", "1"}, "slow.dat");
    session.StartData();
    WaitFor([] { return false; }, 2000, 1000);  // settle after the start
    const double cpu0 = CpuSeconds(), wall0 = MonotonicSeconds();
    Idle(seconds * 1000);
    const double share = (CpuSeconds() - cpu0) / (MonotonicSeconds() - wall0) * 100;
    session.StopData();
    return {{Format("CPU use during a run at one line per second (%.0f s, durable)", seconds),
             Format("%.3f %% of one core", share), Ratio(share, ceilings.copyCpuPercent) + " of the copier",
             "< 0.2 %"}};
}

BenchTable MeasureIdle(int seconds) {
    double dialogSwitches = 0;
    {
        QDialog dialog;
        dialog.show();
        Idle(500);
        const double before = ContextSwitches();
        Idle(seconds * 1000);
        dialogSwitches = ContextSwitches() - before - 1;  // the wake-up that ends the wait
    }
    BenchSession session({"--records", "D", "--averaging", "1"}, "idle.dat");
    Idle(500);
    const double before = ContextSwitches();
    Idle(seconds * 1000);
    const double switches = ContextSwitches() - before - 1;
    return {{Format("Ceiling: context switches of a bare Qt dialog left idle (%.0f s)", seconds),
             Format("%.0f", std::max(dialogSwitches, 0.0)), "1 x", "-"},
            {Format("Context switches of the idle program, window shown, no run (%.0f s)", seconds),
             Format("%.0f (%.2f per second)", std::max(switches, 0.0), std::max(switches, 0.0) / seconds),
             Format("%+.0f against the dialog", switches - dialogSwitches), "no wake-ups"}};
}

BenchTable MeasureMemory(int lines) {
    BenchSession session({"--burst", std::to_string(lines), "--records", "D", "--averaging", "3600"},
                         "memory.dat");
    LogWatcher watcher(session.LogFolder().string(), "memory.dat", false);
    // Resident memory before the run, then after a tenth, half and all of the lines: a high-water
    // mark of the queue is reached early; what counts is that it stays there.
    std::string result = Format("%.1f MB", static_cast<double>(ResidentKilobytes()) / 1024);
    session.StartData();
    for (const int share : {10, 50, 100}) {
        const auto count = static_cast<std::size_t>(lines) * static_cast<std::size_t>(share) / 100;
        WaitFor([&] { return watcher.Count() >= count; }, 300000, 20);
        result += Format(", %.1f MB", static_cast<double>(ResidentKilobytes()) / 1024);
    }
    session.StopData();
    return {{Format("Resident memory before a run, after %.0f, %.0f and %.0f lines", lines / 10, lines / 2,
                    lines),
             result, "-", "flat"}};
}
