// Start-up to the first painted window: the main window against a bare Qt dialog, each started as a
// fresh process of the benchmark itself, so that loading, Qt's start and the first paint all count.
#pragma once

#include <string>

#include "BenchTable.h"

// In the child process: shows the main window ("sheet"), a bare dialog ("dialog") or a dialog with one
// label ("label") and prints the monotonic time of its first paint. Returns the exit status.
int RunStartupProbe(const std::string& probe, int& argc, char** argv);
// In the benchmark: times runs start-ups of each, in turn, with self the benchmark's own path.
BenchTable MeasureStartup(int runs, const std::string& self);
