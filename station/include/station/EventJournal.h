// The station journal: one line per event that explains a gap or a change in the data, appended to
// $XDG_STATE_HOME/corvane/events.log (default ~/.local/state/corvane/events.log) and echoed to
// standard error. Plain C++, no Qt; used by the main window, the run recovery and the program.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// The journal is renamed to events.log.1 (replacing an older one) once it reaches this size.
inline constexpr std::uintmax_t kJournalRotateBytes = 1024 * 1024;

// The journal file for the current environment.
std::string JournalPath();

// "2026-12-06T23:15:02+01:00 word details": local time with its UTC offset, the event word, the
// details with line breaks turned into " / ".
std::string JournalLine(std::time_t when, std::string_view word, std::string_view details);

// Appends one event and makes it durable before returning. A journal that cannot be written is
// reported on standard error once until it works again, and never stops the caller.
void JournalEvent(std::string_view word, std::string_view details);
