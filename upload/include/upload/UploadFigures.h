// The upload's figures for the metrics endpoint: a snapshot the uploader hands out under its lock,
// and their text in the Prometheus exposition format. Used by the program's metrics.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct UploadFigures {
    std::uint64_t pendingFiles = 0;
    std::optional<std::int64_t> oldestPendingStart;  // the oldest waiting hour's start, seconds since 1970
    std::optional<std::int64_t> lastSuccess;         // when the server last took (or had) a file
    std::uint64_t failuresTotal = 0;                 // failed rounds of sending
    bool hostKeyMismatch = false;                    // the server's key did not match in the last round
};

// The metric families corvane_upload_*, each with HELP and TYPE; the two times only when known.
std::string UploadMetricsText(const UploadFigures& figures);
