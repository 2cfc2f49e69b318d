// Process figures for the benchmark: CPU time used and resident memory.
#pragma once

#include <sys/types.h>

#include <cstdint>

// User plus system CPU seconds used by this process so far, all threads.
double CpuSeconds();
// Monotonic seconds, for intervals.
double MonotonicSeconds();
// Resident set size in kilobytes (VmRSS) of this process, or of the process pid; -1 when unknown.
std::int64_t ResidentKilobytes(pid_t pid = 0);
