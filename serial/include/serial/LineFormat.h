// The serial line's format as the link keeps it: parity, stop bits and flow control by name, each a
// byte as the link's fields hold it. Used by the link and its line settings.
#pragma once

#include <cstdint>

enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

// Flow-control bits, any of them together.
namespace FlowControl {
inline constexpr std::uint8_t kXonXoff = 0x01;
inline constexpr std::uint8_t kDtrDsr = 0x02;
inline constexpr std::uint8_t kRtsCts = 0x04;
}  // namespace FlowControl
