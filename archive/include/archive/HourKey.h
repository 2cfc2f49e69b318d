// HourKey: one hour of one station, the way the archive's file names begin. The hourly writer asks the
// program's "is this hour already done?" with it; the uploader's sent-list knows hours by the same Id().
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

struct HourKey {
    std::string station;    // "NO0042R"
    std::time_t start = 0;  // UTC, the turn of the hour

    // "NO0042R.20261201130000": the first two dot-separated parts of the hour's file name.
    std::string Id() const;
    bool operator==(const HourKey&) const = default;
};

// A UTC time as strftime's format writes it, as the archive's names, headers and messages give times.
std::string UtcText(std::time_t time, const char* format);

// The hour a file of the archive holds, from its name; nothing for a name that is not an hourly file's.
std::optional<HourKey> HourKeyOfFileName(std::string_view name);

// The outbox holds a file of this hour under its final name.
bool OutboxHoldsHour(const std::string& outbox, const HourKey& key);
