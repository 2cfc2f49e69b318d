// What the instrument-clock classes say in the journal: their event words, the sink they write
// through (the journal itself, or a test's list), and clock differences as an operator reads them.
// Plain C++; used by the clock watch, the keeping policy and the window.
#pragma once

#include <functional>
#include <string>
#include <string_view>

using JournalSink = std::function<void(std::string_view word, std::string_view details)>;

namespace ClockWord {
inline constexpr std::string_view kOffset = "clock-offset";        // the median passed the warning threshold
inline constexpr std::string_view kTimeZone = "time-zone-change";  // the PC's UTC offset changed
inline constexpr std::string_view kPcClock = "pc-clock";           // the PC's synchronisation state
inline constexpr std::string_view kSet = "clock-set";              // "STT" answered "OK"
inline constexpr std::string_view kNotSet = "clock-not-set";       // held back, or refused
}  // namespace ClockWord

// "12 s ahead of the PC's", "1:00:03 behind the PC's", "within a second of the PC's": the instrument's
// clock against the PC's, from the seconds it is ahead, rounded to whole seconds.
std::string ClockDifferenceText(double offsetSeconds);
// "+01:00", "-03:30": a UTC offset in seconds.
std::string UtcOffsetText(long utcOffsetSeconds);
