// What a run leaves on the disk, read back for the end-to-end tests: a log file's lines and the
// journal's entries. Plain C++.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A log file's lines without their CR LF; an unterminated last line is marked "<no CR LF>".
std::vector<std::string> FileLines(const std::filesystem::path& path);
// The journal's lines, each without its time stamp: "word details".
std::vector<std::string> JournalEntries();
// Whether an entry of the journal starts with this text.
bool Journaled(const std::string& start);
