// The Trend view's rows of corvane-bench.
#pragma once

#include "BenchTable.h"

// A week of one-second records read back from daily log files, the redraw after a pan or zoom,
// their memory, and the CPU use of a run with the Trend tab showing for cpuSeconds.
BenchTable MeasureTrend(int cpuSeconds);
