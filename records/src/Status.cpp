// The Y record's status word: reading it, naming its fault bits and the outputs shown for it.
#include "records/Status.h"

#include <array>
#include <cstdint>
#include <optional>

#include "base/HexDigits.h"

namespace {

// Names of fault bits 0 to 8, in the order they enter the status text.
constexpr std::array<const char*, 9> kFaultNames = {"Lamp",  "Valve",  "Chopper", "Shutter", "Heater",
                                                    "Press", "S-Temp", "I-Temp",  "Humid"};

}  // namespace

std::int32_t ParseStatusWord(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    // Reading stops at the first character that is not a hex digit (a trailing blank, CR or
    // further field), so a damaged word never gains fault bits its digits do not hold. Digits
    // beyond eight shift the oldest ones out of the 32 bits.
    std::uint32_t word = 0;
    for (; i < text.size(); ++i) {
        const std::optional<std::uint32_t> digit = HexDigitValue(text[i]);
        if (!digit) {
            break;
        }
        word = (word << 4) | *digit;
    }
    return static_cast<std::int32_t>(word);
}

std::string FormatStatusText(std::int32_t statusWord) {
    std::string text;
    for (std::size_t bit = 0; bit < kFaultNames.size(); ++bit) {
        if (statusWord & (1 << bit)) {
            if (!text.empty()) {
                text += ", ";
            }
            text += kFaultNames[bit];
        }
    }
    return text;
}

bool HasFaultBits(std::int32_t statusWord) {
    return (statusWord & kFaultBitsMask) != 0;
}

StatusOutputs StatusOutputsFor(std::int32_t statusWord) {
    if (HasFaultBits(statusWord)) {
        return {true, FormatStatusText(statusWord)};
    }
    return {false, {}};
}

std::string StatusEditText(const StatusOutputs& outputs) {
    return outputs.faults ? outputs.statusText : "Okay";
}
