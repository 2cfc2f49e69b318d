// Rows for the program without a window: `corvane --start --headless` run as a process against the
// simulator, its start-up to a run under way and its resident memory over a long run.
#pragma once

#include <string>

#include "BenchTable.h"

// corvane is the program to run; runs start-ups are timed and the memory run logs lines lines.
BenchTable MeasureHeadless(const std::string& corvane, int runs, int lines);
