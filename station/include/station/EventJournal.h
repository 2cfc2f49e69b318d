// The station journal: one line per event that explains a gap or a change in the data, appended to
// $XDG_STATE_HOME/corvane/events.log (default ~/.local/state/corvane/events.log) and echoed to
// standard error; the last lines and the counts by event word are kept for the status page and the
// metrics. Plain C++, no Qt; used by the run, the window and the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The journal is renamed to events.log.1 (replacing an older one) once it reaches this size.
inline constexpr std::uintmax_t kJournalRotateBytes = 1024 * 1024;
// The most lines RecentJournalLines gives.
inline constexpr std::size_t kJournalRecentLines = 100;

// The journal file for the current environment; empty when there is no state folder.
std::string JournalPath();

// "2026-12-06T23:15:02+01:00 word details": local time with its UTC offset, the event word, the
// details with line breaks turned into " / ".
std::string JournalLine(std::time_t when, std::string_view word, std::string_view details);

// Appends one event and makes it durable before returning, then echoes it to standard error. A journal
// that cannot be written is reported on standard error once until it works again; neither the file
// nor standard error ever stops the caller. Copies of the program may share one journal.
void JournalEvent(std::string_view word, std::string_view details);

// The last `count` lines this program journaled (at most kJournalRecentLines), oldest first, without
// their line breaks; kept whether or not the file could be written.
std::vector<std::string> RecentJournalLines(std::size_t count = kJournalRecentLines);
// How many events of each word this program has journaled since it started.
std::map<std::string, std::uint64_t> JournalEventCounts();
