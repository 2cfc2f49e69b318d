// The T record: its range checks, the last data time text and the instrument time.
#include <cstdint>

#include "records/Records.h"

namespace {

// Highest accepted value of year, month, day, hour, minute and second; every field's lowest
// accepted value is 0 except month and day.
constexpr std::array<std::int32_t, kTimeFieldCount> kMaximum = {9999, 12, 31, 23, 59, 59};
constexpr std::array<std::int32_t, kTimeFieldCount> kMinimum = {0, 1, 1, 0, 0, 0};

std::string LastDataTimeText(const std::array<std::string, kTimeFieldCount>& f) {
    const std::string& year = f[0];
    const std::string shortYear = year.size() > 2 ? year.substr(year.size() - 2) : year;
    return shortYear + "-" + f[1] + "-" + f[2] + " " + f[3] + ":" + f[4] + ":" + f[5];
}

// Local calendar time of the six values, daylight saving decided by the C library. Nothing for a
// year before 1970 (a two-digit year from an unset clock) or a time the library cannot give.
std::optional<std::time_t> LocalTime(const std::array<std::uint16_t, kTimeFieldCount>& v) {
    if (v[0] < kFirstDatableYear) {
        return std::nullopt;
    }
    std::tm calendar{};
    calendar.tm_year = v[0] - 1900;
    calendar.tm_mon = v[1] - 1;
    calendar.tm_mday = v[2];
    calendar.tm_hour = v[3];
    calendar.tm_min = v[4];
    calendar.tm_sec = v[5];
    calendar.tm_isdst = -1;
    // mktime returns -1 both for failure and for one valid second; it fills in the weekday only
    // on success.
    calendar.tm_wday = -1;
    const std::time_t time = std::mktime(&calendar);
    if (time == static_cast<std::time_t>(-1) && calendar.tm_wday == -1) {
        return std::nullopt;
    }
    return time;
}

}  // namespace

std::optional<std::array<std::int32_t, kTimeFieldCount>> TimeFieldValues(
    const std::vector<std::string>& fields) {
    if (fields.size() < kTimeFieldCount) {
        return std::nullopt;
    }
    std::array<std::int32_t, kTimeFieldCount> values{};
    for (std::size_t i = 0; i < kTimeFieldCount; ++i) {
        values[i] = ParseDecimal(fields[i]);
        if (values[i] < kMinimum[i] || values[i] > kMaximum[i]) {
            return std::nullopt;
        }
    }
    return values;
}

std::optional<TimeRecord> ParseTimeRecord(std::string_view line) {
    if (IsIgnoredLine(line)) {
        return std::nullopt;
    }
    const std::vector<std::string> fields = SplitFields(RecordBody(line), kTimeFieldCount);
    const auto values = TimeFieldValues(fields);
    if (!values) {
        return std::nullopt;
    }
    TimeRecord record;
    for (std::size_t i = 0; i < kTimeFieldCount; ++i) {
        record.fields[i] = fields[i];
        record.values[i] = static_cast<std::uint16_t>((*values)[i]);
    }
    record.lastDataTimeText = LastDataTimeText(record.fields);
    record.instrumentTime = LocalTime(record.values);
    return record;
}
