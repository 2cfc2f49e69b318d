// The instrument's clock against the PC's as one T record shows it, and the "STT" command that sets
// it to the PC's time. Both clocks are read as local time: the instrument keeps the local time it
// was set to. Plain C++; used by the clock watch and the clock keeper.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

struct ClockSample {
    // Seconds the instrument's clock is ahead of the PC's local time (negative: behind).
    double offset = 0;
    // The PC's UTC offset when the line arrived, in seconds (daylight saving included).
    long utcOffset = 0;
};

// The sample of a T record line (a record, or the answer to "RT") that arrived at the PC's time
// arrival; nothing for a line that is no valid T record. Calendar arithmetic on both local times,
// so the hour a daylight-saving change skips or repeats is read like any other.
std::optional<ClockSample> ReadClockSample(std::string_view timeRecordLine,
                                           std::chrono::system_clock::time_point arrival);

// "STT2026,03,29,03,00,05": the PC's local time at pcTime, to the nearest second (the instrument
// starts the second it is given when the command arrives).
std::string ClockSetCommand(std::chrono::system_clock::time_point pcTime);
