// What the clock tests share: a time zone for one test, the PC's clock as the test sets it, the
// journal kept in a list, and T record lines.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "station/PcClock.h"

// Central European time with its daylight-saving rules written out, so that no zone data is needed.
inline constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

struct ScopedTimeZone {
    explicit ScopedTimeZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        unsetenv("TZ");
        tzset();
    }
};

inline std::chrono::system_clock::time_point Utc(int y, unsigned m, unsigned d, int h, int min, double s) {
    using namespace std::chrono;
    const sys_days date{year(y) / month(m) / day(d)};
    return time_point_cast<system_clock::duration>(date + hours(h) + minutes(min) + duration<double>(s));
}

// The T record of an instrument whose clock is offset seconds ahead of pcTime, in the local time
// that toTm (localtime_r or gmtime_r) gives.
inline std::string TimeLineAt(std::chrono::system_clock::time_point pcTime, long offset,
                              std::tm* (*toTm)(const std::time_t*, std::tm*) = localtime_r) {
    const std::time_t when = std::chrono::system_clock::to_time_t(pcTime) + offset;
    std::tm t{};
    toTm(&when, &t);
    char line[64];
    std::snprintf(line, sizeof line, "T,%04d,%02d,%02d,%02d,%02d,%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return line;
}

struct FakePcClock {
    PcClockReading reading{Utc(2026, 6, 1, 12, 0, 0), {}, true};
    void Advance(std::chrono::seconds by) {
        reading.now += by;
        reading.monotonic += by;
    }
    PcClockSource Source() {
        return [this] { return reading; };
    }
};

struct JournalLog {
    std::vector<std::pair<std::string, std::string>> lines;  // word, details
    JournalSink Sink() {
        return [this](std::string_view word, std::string_view details) { lines.emplace_back(word, details); };
    }
    // The words journaled since the last call.
    std::vector<std::string> TakeWords() {
        std::vector<std::string> words;
        for (const auto& line : std::exchange(lines, {})) words.push_back(line.first);
        return words;
    }
};
