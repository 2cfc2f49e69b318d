// The upload's figures as Prometheus metric families.
#include "upload/UploadFigures.h"

namespace {

void Add(std::vector<MetricFamily>& families, const char* name, MetricType type, const char* help,
         std::optional<std::int64_t> value) {
    MetricFamily family{name, help, type, {}};
    if (value) family.samples.push_back({{}, static_cast<double>(*value)});
    families.push_back(std::move(family));
}

}  // namespace

std::vector<MetricFamily> UploadMetricFamilies(const UploadFigures& figures) {
    std::vector<MetricFamily> families;
    Add(families, "corvane_upload_pending_files", MetricType::Gauge, "Archive files in the outbox waiting to be sent.",
        static_cast<std::int64_t>(figures.pendingFiles));
    Add(families, "corvane_upload_oldest_pending_timestamp_seconds", MetricType::Gauge,
        "Start of the oldest hour waiting in the outbox (absent when none waits).", figures.oldestPendingStart);
    Add(families, "corvane_upload_last_success_timestamp_seconds", MetricType::Gauge,
        "When the archive's server last took a file (absent until it has).", figures.lastSuccess);
    Add(families, "corvane_upload_failures_total", MetricType::Counter,
        "Failed rounds of sending to the archive's server.", static_cast<std::int64_t>(figures.failuresTotal));
    Add(families, "corvane_upload_host_key_mismatch", MetricType::Gauge,
        "1 when the server's host key did not match the configured fingerprint (nothing is sent).",
        figures.hostKeyMismatch ? 1 : 0);
    return families;
}
