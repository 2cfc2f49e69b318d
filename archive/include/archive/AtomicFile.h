// Files whose name appears only once all of their text is on the disk: the outbox's hourly files and
// corvane-export's files. A copy cut short stays in the folder's .partial subfolder, never under a name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Writes folder/name: the text goes to folder/.partial/name.part, is synced, renamed into place, and the
// folder is synced. Empty on success; else what failed, one sentence naming the file.
std::string WriteFileAtomically(const std::string& folder, const std::string& name, std::string_view text);

// Removes the copies that writes cut short left behind; returns how many there were.
std::size_t RemovePartialFiles(const std::string& folder);
