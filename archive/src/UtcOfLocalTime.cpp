// Local calendar time to UTC with both readings of an ambiguous hour tried.
#include "UtcOfLocalTime.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kFirstYear = 1970;

std::tm Calendar(const std::array<std::uint16_t, 6>& f, int isdst) {
    std::tm calendar{};
    calendar.tm_year = f[0] - 1900;
    calendar.tm_mon = f[1] - 1;
    calendar.tm_mday = f[2];
    calendar.tm_hour = f[3];
    calendar.tm_min = f[4];
    calendar.tm_sec = f[5];
    calendar.tm_isdst = isdst;
    // mktime fills in the weekday only on success (-1 is also one valid time).
    calendar.tm_wday = -1;
    return calendar;
}

// The time that reads as exactly these fields with daylight saving off (0) or on (1), if there is one.
std::optional<std::time_t> Reading(const std::array<std::uint16_t, 6>& f, int isdst) {
    std::tm calendar = Calendar(f, isdst);
    const std::time_t time = std::mktime(&calendar);
    if (calendar.tm_wday == -1) return std::nullopt;
    std::tm back{};
    localtime_r(&time, &back);
    const bool same = back.tm_year == f[0] - 1900 && back.tm_mon == f[1] - 1 && back.tm_mday == f[2] &&
                      back.tm_hour == f[3] && back.tm_min == f[4] && back.tm_sec == f[5];
    return same ? std::optional(time) : std::nullopt;
}

}  // namespace

std::optional<std::time_t> UtcOfLocalTime(const std::array<std::uint16_t, 6>& fields,
                                          std::optional<std::time_t> previous) {
    if (fields[0] < kFirstYear) return std::nullopt;
    const std::optional<std::time_t> standard = Reading(fields, 0);
    const std::optional<std::time_t> summer = Reading(fields, 1);
    if (standard && summer && *standard != *summer) {
        const std::time_t first = std::min(*standard, *summer);
        return previous && *previous > first ? std::max(*standard, *summer) : first;
    }
    if (standard) return standard;
    if (summer) return summer;
    std::tm calendar = Calendar(fields, -1);
    const std::time_t time = std::mktime(&calendar);
    if (calendar.tm_wday == -1) return std::nullopt;
    return time;
}
