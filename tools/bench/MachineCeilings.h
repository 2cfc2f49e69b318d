// The machine's own ceilings, measured by small probes of the benchmark in the same run as the
// program's figures: what a bare copy from a pseudo-terminal to a file and a bare open-append-close
// per line achieve here and now.
#pragma once

#include "BenchTable.h"

struct MachineCeilings {
    double appendLinesPerSecond = 0;  // open, append one line, close
    double copyLinesPerSecond = 0;    // pseudo-terminal to one open file, as fast as it goes
    double copyLatencyP99Ms = 0;      // a line's write into the pseudo-terminal to the line in the file
    double copyCpuPercent = 0;        // a copier of one line a second, each appended, synced and closed
};

// Measures the ceilings into ceilings and returns their rows.
BenchTable MeasureCeilings(MachineCeilings& ceilings);
