// The instrument's local calendar time as UTC, by the PC's time zone, with the hour that occurs twice when
// the clocks go back told apart by the time before it. Used by the row assembler.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>

// year, month, day, hour, minute, second. Nothing for a year before 1970 (an unset clock's two-digit year).
// A wall-clock time that occurs twice is taken as the first of the two unless previous (the time before
// it) is already past that; a time that does not occur (the hour skipped when the clocks go forward)
// is taken as the C library normalises it.
std::optional<std::time_t> UtcOfLocalTime(const std::array<std::uint16_t, 6>& fields,
                                          std::optional<std::time_t> previous);
