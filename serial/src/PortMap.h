// The user's port mapping file, ports.conf in the program's configuration folder: one "COMn=PATH" per line, so that a
// Com port can name a stable device path such as /dev/serial/by-id/... .
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The file's path: $XDG_CONFIG_HOME/corvane/ports.conf (default ~/.config/corvane/ports.conf); empty
// when there is no configuration folder.
std::string PortMapPath();
// The device that the file maps Com port n to, read afresh at each call; nothing when the file is
// missing, unreadable or has no good line for n. Bad lines are traced and skipped.
std::optional<std::string> MappedDevice(std::uint16_t nPort);
