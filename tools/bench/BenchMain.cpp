// corvane-bench: drives the real main window offscreen against the simulator and prints a
// Markdown table of the program's throughput, latency, handshake and command times, CPU use and
// memory. A measuring program, not a test: it runs for about a minute.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSession.h"
#include "EventLoopWait.h"
#include "LogWatcher.h"
#include "ProcessStats.h"
#include "TrendBench.h"

namespace {

struct Options {
    int burstLines = 20000;
    int latencySeconds = 20;
    int cpuSeconds = 30;
    int memoryLines = 100000;
};

struct Row {
    std::string what, result, target;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

bool LoggedExactly(const BenchSession& session) {
    const auto sent = session.RunLines();
    const auto logged = session.LogLines();
    if (sent.size() != logged.size()) return false;
    for (std::size_t i = 0; i < sent.size(); ++i)
        if (sent[i].second != logged[i]) return false;
    return true;
}

// Open handshake ("UE" twice) and one command's round trip, with the link alone.
std::vector<Row> MeasureExchange() {
    SimProcess sim;
    setenv("CORVANE_DEVICE_DIR", sim.DeviceDir().c_str(), 1);
    CSerialLink link;
    std::vector<double> opens, commands;
    for (int i = 0; i < 20; ++i) {
        const double start = MonotonicSeconds();
        if (link.OpenPort(sim.Port(), 9600) != CSerialLink::kOpenOk)
            return {{"Open handshake", "failed", ""}};
        opens.push_back((MonotonicSeconds() - start) * 1e3);
        link.ClosePort();
    }
    link.OpenPort(sim.Port(), 9600);
    for (int i = 0; i < 500; ++i) {
        const double start = MonotonicSeconds();
        link.SendCommand("SMB");
        commands.push_back((MonotonicSeconds() - start) * 1e3);
    }
    link.ClosePort();
    return {
        {"Open handshake (\"UE\", \"UE\" answered \"OK\"), 20 opens",
         Format("median %.2f ms, slowest %.2f ms", Percentile(opens, 50), Percentile(opens, 100)), "< 10 ms"},
        {"Command round trip (\"SMB\"), 500 commands",
         Format("median %.3f ms, 99th percentile %.3f ms", Percentile(commands, 50),
                Percentile(commands, 99)),
         "-"}};
}

Row MeasureThroughput(int lines) {
    BenchSession session({"--burst", std::to_string(lines), "--records", "D", "--averaging", "3600"},
                         "burst.dat");
    LogWatcher watcher(session.LogFolder().string(), "burst.dat");
    session.StartData();
    const auto count = static_cast<std::size_t>(lines);
    WaitFor([&] { return watcher.Count() >= count; }, 120000, 20);
    session.StopData();
    const std::vector<double> stamps = watcher.Stamps();
    const double seconds = stamps.size() > 1 ? stamps.back() - stamps.front() : 0;
    const bool exact = LoggedExactly(session);
    return {Format("Sustained lines per second, serial line to log file (burst of %.0f D lines)", lines),
            Format("%.0f lines/s, %.0f of %.0f logged", seconds > 0 ? (stamps.size() - 1) / seconds : 0,
                   static_cast<double>(session.LogLines().size()), lines) +
                (exact ? ", identical to what was sent" : ", NOT identical to what was sent") +
                (watcher.Overflowed() ? " (some appends went unstamped)" : ""),
            ">= 20,000 lines/s, nothing lost"};
}

Row MeasureLatency(int seconds) {
    BenchSession session({"--records", "D", "--averaging", "1", "--speed", "10"}, "latency.dat");
    LogWatcher watcher(session.LogFolder().string(), "latency.dat");
    session.StartData();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const double runStart = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    WaitFor([] { return false; }, seconds * 1000, 1000);
    session.StopData();

    // The k-th line sent is the k-th line appended. Lines sent while the start sequence still
    // held the window (waiting out "UB") are left out: they measure the start, not the path.
    const auto sent = session.RunLines();
    const std::vector<double> appended = watcher.Stamps();
    std::vector<double> latencies;
    for (std::size_t k = 0; k < std::min(sent.size(), appended.size()); ++k)
        if (sent[k].first > runStart) latencies.push_back((appended[k] - sent[k].first) * 1e3);
    return {Format("Latency from a line's CR leaving the simulator to the line in the log file (10 lines/s, "
                   "%.0f lines)",
                   static_cast<double>(latencies.size())),
            Format("median %.3f ms, 99th percentile %.3f ms, slowest %.3f ms", Percentile(latencies, 50),
                   Percentile(latencies, 99), Percentile(latencies, 100)),
            "99th percentile < 2 ms"};
}

Row MeasureCpu(int seconds) {
    BenchSession session({"--records", "D", "--averaging", "1"}, "slow.dat");
    session.StartData();
    WaitFor([] { return false; }, 2000, 1000);  // settle after the start
    const double cpu0 = CpuSeconds(), wall0 = MonotonicSeconds();
    WaitFor([] { return false; }, seconds * 1000, 1000);
    const double share = (CpuSeconds() - cpu0) / (MonotonicSeconds() - wall0) * 100;
    session.StopData();
    return {Format("CPU use during a run at one line per second (%.0f s)", seconds),
            Format("%.3f %% of one core", share), "< 0.5 %"};
}

Row MeasureMemory(int lines) {
    BenchSession session({"--burst", std::to_string(lines), "--records", "D", "--averaging", "3600"},
                         "memory.dat");
    LogWatcher watcher(session.LogFolder().string(), "memory.dat", false);
    // Resident memory before the run, then after a tenth, half and all of the lines: a high-water
    // mark of the queues is reached early; what counts is that it stays there.
    std::string result = Format("%.1f MB", static_cast<double>(ResidentKilobytes()) / 1024);
    session.StartData();
    for (const int share : {10, 50, 100}) {
        const auto count = static_cast<std::size_t>(lines) * static_cast<std::size_t>(share) / 100;
        WaitFor([&] { return watcher.Count() >= count; }, 300000, 20);
        result += Format(", %.1f MB", static_cast<double>(ResidentKilobytes()) / 1024);
    }
    session.StopData();
    return {
        Format("Resident memory before a run, after %.0f, %.0f and %.0f lines", lines / 10, lines / 2, lines),
        result, "flat"};
}

int ArgValue(int argc, char** argv, const std::string& name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name) return std::atoi(argv[i + 1]);
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    CCorvanePropertySheet::CommEventType();
    QApplication app(argc, argv);
    Options options;
    options.burstLines = ArgValue(argc, argv, "--burst-lines", options.burstLines);
    options.latencySeconds = ArgValue(argc, argv, "--latency-seconds", options.latencySeconds);
    options.cpuSeconds = ArgValue(argc, argv, "--cpu-seconds", options.cpuSeconds);
    options.memoryLines = ArgValue(argc, argv, "--memory-lines", options.memoryLines);

    std::vector<Row> rows = MeasureExchange();
    rows.push_back(MeasureThroughput(options.burstLines));
    rows.push_back(MeasureLatency(options.latencySeconds));
    rows.push_back(MeasureCpu(options.cpuSeconds));
    rows.push_back(MeasureMemory(options.memoryLines));
    for (const TrendRow& row : MeasureTrend(options.cpuSeconds)) rows.push_back({row.what, row.result, row.target});

    std::printf("| Measurement | Result | Target |\n|---|---|---|\n");
    for (const Row& row : rows)
        std::printf("| %s | %s | %s |\n", row.what.c_str(), row.result.c_str(), row.target.c_str());
    return 0;
}
