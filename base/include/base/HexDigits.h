// The one reader of hexadecimal digits, for the status word of the instrument's Y records and the
// numbers of the settings store's values file.
#pragma once

#include <cstdint>
#include <optional>

// The value of one hex digit, upper- or lower-case; nothing for any other character.
std::optional<std::uint32_t> HexDigitValue(char c);
