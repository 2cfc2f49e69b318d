// What the health server reads the station's state from; the program wires these to its run core
// and its journal. Every function is called on the server's own thread, so each must be safe to
// call from there (the run core's status under its lock, the journal's lines under its own).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/RunStatus.h"

class CRecordStream;

struct HealthSources {
    std::function<RunStatus()> runStatus;
    // Every record of the run; nullptr for none.
    CRecordStream* records = nullptr;
    // The journal's last count lines, oldest first.
    std::function<std::vector<std::string>(std::size_t count)> journalLines;
    // Events journaled since the program started, by event word.
    std::function<std::vector<std::pair<std::string, std::uint64_t>>()> journalCounts;
    // The instrument's averaging time in seconds, when known; may be left empty.
    std::function<std::optional<int>()> averagingSeconds;
    // Where the server reports its own events (listening, a port that cannot be bound, a metrics
    // file that cannot be written): the station journal in the program.
    std::function<void(std::string_view word, std::string_view details)> journal;
};
