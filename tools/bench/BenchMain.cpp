// corvane-bench: drives the real main window offscreen against the simulator and prints a Markdown
// table of the program's figures, each beside the same machine's ceiling measured in the same run.
// A measuring program, not a test: it runs for about three and a half minutes.
#include <QApplication>
#include <cstdio>

#include "BenchOptions.h"
#include "BenchTable.h"
#include "CorvaneFigures.h"
#include "HeadlessFigures.h"
#include "MachineCeilings.h"
#include "StartupTimes.h"
#include "TrendBench.h"
#include "control/CorvanePropertySheet.h"

int main(int argc, char** argv) {
    bool bHelp = false;
    std::string error;
    const std::optional<BenchOptions> options = ParseBenchOptions(argc, argv, bHelp, error);
    if (bHelp) {
        std::fputs(BenchHelpText().c_str(), stdout);
        return 0;
    }
    if (!options) {
        std::fprintf(stderr, "corvane-bench: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!options->startupProbe.empty()) return RunStartupProbe(options->startupProbe, argc, argv);

    QApplication app(argc, argv);
    // The sections, in order; each adds its rows.
    BenchTable table;
    MachineCeilings ceilings;
    AddRows(table, MeasureCeilings(ceilings));
    AddRows(table, MeasureStartup(options->startupRuns, "/proc/self/exe"));
    AddRows(table, MeasureExchange());
    AddRows(table, MeasureThroughput(options->burstLines, ceilings));
    AddRows(table, MeasureLatency(options->latencySeconds, ceilings));
    AddRows(table, MeasureLatencyUnderHttpLoad(options->httpLoadSeconds));
    AddRows(table, MeasureCpu(options->cpuSeconds, ceilings));
    AddRows(table, MeasureIdle(options->idleSeconds));
    AddRows(table, MeasureMemory(options->memoryLines));
    AddRows(table, MeasureHeadless(CORVANE_PATH, options->startupRuns, options->memoryLines));
    AddRows(table, MeasureTrend(options->cpuSeconds));
    PrintTable(table);
    return 0;
}
