// A T record's time against the PC's local time, and the command that sets the instrument's clock.
#include "station/ClockSample.h"

#include <cstdio>
#include <ctime>

#include "records/Records.h"
#include "serial/InstrumentCommands.h"

namespace {

using namespace std::chrono;

// Seconds since 1970-01-01 00:00:00 of a calendar time with no time zone. A day beyond the month's
// end (31 February passes the T record's checks) counts on into the next month.
long long CalendarSeconds(int year, unsigned month, unsigned day, long long secondOfDay) {
    const sys_days date = sys_days(std::chrono::year(year) / std::chrono::month(month) / 1) + days(day - 1);
    return date.time_since_epoch().count() * 86400LL + secondOfDay;
}

std::tm LocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

}  // namespace

std::optional<ClockSample> ReadClockSample(std::string_view timeRecordLine,
                                           system_clock::time_point arrival) {
    const std::optional<TimeRecord> record = ParseTimeRecord(timeRecordLine);
    if (!record) return std::nullopt;
    const auto& v = record->values;
    const long long instrument = CalendarSeconds(v[0], v[1], v[2], v[3] * 3600LL + v[4] * 60LL + v[5]);

    const std::tm local = LocalTime(system_clock::to_time_t(arrival));
    const double utc = duration<double>(arrival.time_since_epoch()).count();
    const double pcLocal = utc + static_cast<double>(local.tm_gmtoff);
    return ClockSample{static_cast<double>(instrument) - pcLocal, local.tm_gmtoff};
}

std::string ClockSetCommand(system_clock::time_point pcTime) {
    const std::tm local = LocalTime(system_clock::to_time_t(round<seconds>(pcTime)));
    char command[64];
    std::snprintf(command, sizeof command, "%s%04d,%02d,%02d,%02d,%02d,%02d", InstrumentCommand::kSetClock,
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return command;
}
