// The station's own metric families: build, run state, instrument, records, log, journal, latest
// readings and status-word faults, named by Prometheus's conventions (corvane_ prefix, base units,
// _total counters, _timestamp_seconds for "when last"). Used by the health server.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "station/Exposition.h"
#include "health/RecordTally.h"
#include "run/RunStatus.h"

struct StationFigures {
    RunStatus run;
    const CRecordTally& records;
    std::vector<std::pair<std::string, std::uint64_t>> journalCounts;
    std::optional<int> averagingSeconds;
};

std::vector<MetricFamily> StationMetrics(const StationFigures& figures);

// Seconds since the epoch, as Prometheus writes times.
double EpochSeconds(std::chrono::system_clock::time_point time);
