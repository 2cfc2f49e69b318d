// Parsing and help text of corvane-bench's options.
#include "BenchOptions.h"

#include <cstdlib>
#include <map>

std::string BenchHelpText() {
    return R"(Usage: corvane-bench [options]

Drives the real main window offscreen against the simulator and prints a Markdown table of the
program's figures, each beside its ratio to the same machine's ceiling measured in the same run.
Takes about three and a half minutes with the defaults.

  --burst-lines N      lines of the throughput burst (default 200000)
  --latency-seconds N  length of the 10 lines/s latency run (default 20)
  --http-load-seconds N
                       seconds of a 10 lines/s run without, and as many with, bad and heavy clients
                       on the health server, in turns of about 10 s (default 20)
  --cpu-seconds N      length of the 1 line/s CPU run (default 30)
  --idle-seconds N     length of the idle wake-up count (default 10)
  --memory-lines N     lines of the memory run (default 100000)
  --startup-runs N     start-ups timed of the window and of a bare dialog each (default 7)
  --help               this text
)";
}

std::optional<BenchOptions> ParseBenchOptions(int argc, char** argv, bool& bHelp, std::string& error) {
    BenchOptions options;
    const std::map<std::string, int*> numbers = {{"--burst-lines", &options.burstLines},
                                                 {"--latency-seconds", &options.latencySeconds},
                                                 {"--http-load-seconds", &options.httpLoadSeconds},
                                                 {"--cpu-seconds", &options.cpuSeconds},
                                                 {"--idle-seconds", &options.idleSeconds},
                                                 {"--memory-lines", &options.memoryLines},
                                                 {"--startup-runs", &options.startupRuns}};
    bHelp = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help") {
            bHelp = true;
            return options;
        }
        const bool bProbe = name == "--startup-probe";
        const auto number = numbers.find(name);
        if (!bProbe && number == numbers.end()) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            error = name + " needs a value";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        if (bProbe) {
            if (value != "sheet" && value != "dialog" && value != "label") {
                error = "--startup-probe takes sheet, dialog or label";
                return std::nullopt;
            }
            options.startupProbe = value;
            continue;
        }
        char* end = nullptr;
        const long parsed = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || parsed < 1 || parsed > 100000000) {
            error = name + " takes a whole number from 1 to 100000000, not \"" + value + "\"";
            return std::nullopt;
        }
        *number->second = static_cast<int>(parsed);
    }
    return options;
}
