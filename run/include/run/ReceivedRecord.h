// One record line of a run as the run core publishes it: the line as received, the PC's time of its
// arrival and its fields. Every listener of the record stream gets these in arrival order.
#pragma once

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ReceivedRecord {
    std::string line;  // exactly as received (and logged), without its CR
    // The PC's clock when the line's CR arrived (UTC, as every system_clock time).
    std::chrono::system_clock::time_point arrival;
    // The fields of its kind found in the line, as sent; the last is the rest of the body.
    std::vector<std::string> fields;
    bool whole = false;  // every field of its kind was found (a T record: in range too)
    // A valid T record's time, read as the PC's local time (the instrument keeps local time).
    std::optional<std::time_t> instrumentTime;

    char Letter() const { return line.empty() ? '\0' : line.front(); }
};

// The records taken from the link together, oldest first.
using RecordBatch = std::vector<ReceivedRecord>;
using SharedRecordBatch = std::shared_ptr<const RecordBatch>;

// The record as published: its fields by the record kind's rules.
ReceivedRecord MakeReceivedRecord(std::string line, std::chrono::system_clock::time_point arrival);
