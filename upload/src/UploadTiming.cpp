// The back-off between failed rounds of sending.
#include "upload/UploadTiming.h"

#include <algorithm>

std::chrono::milliseconds RetryDelay(const UploadTiming& timing, unsigned failuresInRow) {
    auto delay = timing.firstRetry;
    for (unsigned n = 1; n < failuresInRow && delay < timing.longestRetry; ++n) delay *= 2;
    return std::min(delay, timing.longestRetry);
}
