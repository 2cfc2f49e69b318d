// Builds the terminal settings of the instrument's serial line from the link's line fields.
// Kept apart from the port so that the settings can be checked field by field without a device.
#pragma once

#include <termios.h>

#include <cstdint>

#include "serial/LineFormat.h"

// Turns tio into a raw, non-blocking line with the given rate (9600, 19200 or 38400), data bits (5-8),
// parity (none, odd or even), stop bits (one or two) and flow-control bits (XON/XOFF with 0x11/0x13,
// RTS/CTS). Bits of tio that none of these concern keep their values. Returns false, leaving tio
// unusable, for a value this platform cannot set (other rates, mark or space parity, one and a half
// stop bits, DTR/DSR flow control).
bool BuildLineSettings(termios& tio, std::uint32_t dwBaudRate, std::uint8_t byByteSize, Parity parity,
                       StopBits stopBits, std::uint8_t byFlowCtrl);

// True when the device holds the wanted settings as far as it keeps them: everything but the character
// size and parity, which pseudo-terminals (always 8 bits, no parity) and some USB adapters do not keep.
bool LineSettingsHeld(const termios& actual, const termios& wanted);
