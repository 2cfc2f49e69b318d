// The program's figures, each measured on the real main window (or the link alone) against the
// simulator and set beside the machine's ceiling where one applies.
#pragma once

#include "BenchTable.h"
#include "MachineCeilings.h"

// Open handshake and one command's round trip, with the link alone.
BenchTable MeasureExchange();
// A burst from the serial line through the window to the log file: lines per second, nothing lost.
BenchTable MeasureThroughput(int lines, const MachineCeilings& ceilings);
// A line's CR leaving the simulator to the line in the log file at 10 lines/s, and the syncs.
BenchTable MeasureLatency(int seconds, const MachineCeilings& ceilings);
// The same latency with the health server under the bad and heavy clients of corvane-httpload,
// against the same run without them: periods of about 10 s in turn, seconds in all for each.
BenchTable MeasureLatencyUnderHttpLoad(int seconds);
// CPU during a run at one line per second.
BenchTable MeasureCpu(int seconds, const MachineCeilings& ceilings);
// Context switches of the idle program (window shown, no run) beside a bare Qt dialog's.
BenchTable MeasureIdle(int seconds);
// Resident memory through a long burst.
BenchTable MeasureMemory(int lines);
