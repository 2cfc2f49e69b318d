// The Trend view's rows of corvane-bench.
#pragma once

#include <string>
#include <vector>

struct TrendRow {
    std::string what, result, target;
};

// A week of one-second records read back from daily log files, the redraw after a pan or zoom,
// their memory, and the CPU use of a run with the Trend tab showing for cpuSeconds.
std::vector<TrendRow> MeasureTrend(int cpuSeconds);
