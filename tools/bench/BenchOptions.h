// corvane-bench's command line: the sizes and durations of its sections.
#pragma once

#include <optional>
#include <string>

struct BenchOptions {
    int burstLines = 200000;
    int latencySeconds = 20;
    int httpLoadSeconds = 20;  // of the latency run without the HTTP load, and as many with it
    int cpuSeconds = 30;
    int idleSeconds = 10;
    int memoryLines = 100000;
    int startupRuns = 7;
    // Set only in the benchmark's own child processes: "sheet" or "dialog", whose start-up is timed.
    std::string startupProbe;
};

// The options, or nothing with error set to the reason. bHelp is set for --help.
std::optional<BenchOptions> ParseBenchOptions(int argc, char** argv, bool& bHelp, std::string& error);
std::string BenchHelpText();
