// The upload's figures as Prometheus metrics.
#include "upload/UploadFigures.h"

namespace {

void Family(std::string& text, const char* name, const char* type, const char* help,
            std::optional<std::int64_t> value) {
    text += std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    if (value) text += std::string(name) + ' ' + std::to_string(*value) + '\n';
}

}  // namespace

std::string UploadMetricsText(const UploadFigures& figures) {
    std::string text;
    Family(text, "corvane_upload_pending_files", "gauge", "Archive files in the outbox waiting to be sent.",
           static_cast<std::int64_t>(figures.pendingFiles));
    Family(text, "corvane_upload_oldest_pending_timestamp_seconds", "gauge",
           "Start of the oldest hour waiting in the outbox (absent when none waits).",
           figures.oldestPendingStart);
    Family(text, "corvane_upload_last_success_timestamp_seconds", "gauge",
           "When the archive's server last took a file (absent until it has).", figures.lastSuccess);
    Family(text, "corvane_upload_failures_total", "counter",
           "Failed rounds of sending to the archive's server.",
           static_cast<std::int64_t>(figures.failuresTotal));
    Family(text, "corvane_upload_host_key_mismatch", "gauge",
           "1 when the server's host key did not match the configured fingerprint (nothing is sent).",
           figures.hostKeyMismatch ? 1 : 0);
    return text;
}
