// The upload's figures for the metrics endpoint: a snapshot the uploader hands out under its lock,
// and their metric families. Used by the program's metrics.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "station/Exposition.h"

struct UploadFigures {
    std::uint64_t pendingFiles = 0;
    std::optional<std::int64_t> oldestPendingStart;  // the oldest waiting hour's start, seconds since 1970
    std::optional<std::int64_t> lastSuccess;         // when the server last took (or had) a file
    std::uint64_t failuresTotal = 0;                 // failed rounds of sending
    bool hostKeyMismatch = false;                    // the server's key did not match in the last round
};

// The metric families corvane_upload_*; the two times only when known.
std::vector<MetricFamily> UploadMetricFamilies(const UploadFigures& figures);
