// The benchmark's own process figures: CPU time used and resident memory.
#pragma once

#include <cstdint>

// User plus system CPU seconds used by this process so far, all threads.
double CpuSeconds();
// Monotonic seconds, for intervals.
double MonotonicSeconds();
// Resident set size in kilobytes (VmRSS).
std::int64_t ResidentKilobytes();
