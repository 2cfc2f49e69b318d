// The simulated instrument's calendar clock. It keeps naive calendar time (no time zone, no
// daylight saving, like a clock set by hand) and runs at a rate: a speed factor, so that a test or a
// demo can live through hours of instrument time in seconds, with the clock's own drift on top.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

struct CalendarTime {
    int year, month, day, hour, minute, second;
    bool operator==(const CalendarTime&) const = default;
};

// Seconds since 1970-01-01 00:00:00 of the naive calendar, and back (proleptic Gregorian).
std::int64_t ToCalendarSeconds(const CalendarTime& time);
CalendarTime FromCalendarSeconds(std::int64_t seconds);
// Whether the fields name a real moment: month 1-12, a day that exists in that month (leap years
// included), hour 0-23, minute and second 0-59, year 1-9999.
bool IsValidCalendarTime(const CalendarTime& time);
// The computer's local time now, as naive calendar seconds.
std::int64_t LocalCalendarSecondsNow();

class InstrumentClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // rate: instrument seconds per real second; it stays when the clock is set.
    InstrumentClock(std::int64_t calendarSeconds, double rate, TimePoint now);
    // The whole instrument second running at the real moment now.
    std::int64_t SecondAt(TimePoint now) const;
    // The real moment at which the given instrument second begins.
    TimePoint StartOf(std::int64_t calendarSecond) const;
    // Sets the clock: the instrument second calendarSeconds begins at now.
    void Set(std::int64_t calendarSeconds, TimePoint now);

private:
    std::int64_t m_nBase;  // the instrument second that began at m_start
    TimePoint m_start;
    double m_dRate;
};
