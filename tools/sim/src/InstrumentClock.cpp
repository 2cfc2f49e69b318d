// Calendar arithmetic and the instrument clock running at its rate.
#include "sim/InstrumentClock.h"

#include <cmath>
#include <ctime>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (the well-known era-based formula).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

std::int64_t ToCalendarSeconds(const CalendarTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
}

CalendarTime FromCalendarSeconds(std::int64_t seconds) {
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const std::int64_t secondOfDay = seconds - days * kSecondsPerDay;
    // Inverse of DaysFromCivil.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
    return {year,
            month,
            day,
            static_cast<int>(secondOfDay / 3600),
            static_cast<int>(secondOfDay / 60 % 60),
            static_cast<int>(secondOfDay % 60)};
}

bool IsValidCalendarTime(const CalendarTime& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::int64_t LocalCalendarSecondsNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ToCalendarSeconds(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
}

InstrumentClock::InstrumentClock(std::int64_t calendarSeconds, double rate, TimePoint now)
    : m_nBase(calendarSeconds), m_start(now), m_dRate(rate) {}

std::int64_t InstrumentClock::SecondAt(TimePoint now) const {
    const double elapsed = std::chrono::duration<double>(now - m_start).count() * m_dRate;
    return m_nBase + static_cast<std::int64_t>(std::floor(elapsed));
}

InstrumentClock::TimePoint InstrumentClock::StartOf(std::int64_t calendarSecond) const {
    const double realSeconds = static_cast<double>(calendarSecond - m_nBase) / m_dRate;
    // Rounded up, with a microsecond to spare, so that at the returned moment that second has surely
    // begun despite floating-point rounding.
    return m_start +
           std::chrono::ceil<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(realSeconds)) +
           std::chrono::microseconds(1);
}

void InstrumentClock::Set(std::int64_t calendarSeconds, TimePoint now) {
    m_nBase = calendarSeconds;
    m_start = now;
}
