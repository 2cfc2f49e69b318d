// The Y record's status word: fault bits, the status text and the outputs the Data page shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::int32_t kFaultBitsMask = 0x1FF;

// Reads the text as hexadecimal (upper- or lower-case digits, leading blanks skipped) up to the first
// other character, in 32 bits: a trailing CR or blank never adds fault bits.
std::int32_t ParseStatusWord(std::string_view text);
// "Lamp, Shutter" style list of the set fault bits (empty when none is set).
std::string FormatStatusText(std::int32_t statusWord);
bool HasFaultBits(std::int32_t statusWord);

// What the Data page shows for a status word; it picks the light and the window icon by faults.
struct StatusOutputs {
    bool faults;             // when true, statusText replaces the stored status text
    std::string statusText;  // the fault list (only with faults)
};
StatusOutputs StatusOutputsFor(std::int32_t statusWord);
// What the status edit shows: the fault list with faults, else "Okay".
std::string StatusEditText(const StatusOutputs& outputs);
