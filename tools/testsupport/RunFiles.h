// What a run leaves on the disk, read back for the end-to-end tests: a log file's lines and the
// journal's entries. Plain C++.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// A log file's lines without their CR LF; an unterminated last line is marked "<no CR LF>".
std::vector<std::string> FileLines(const std::filesystem::path& path);
// The journal's lines, each without its time stamp: "word details". Lines of the ignored event words
// are left out (the clock's words, say, in a test of something else: the simulator's clock is years
// off the PC's, whose synchronisation depends on the machine).
std::vector<std::string> JournalEntries(std::initializer_list<std::string_view> ignoredWords = {});
// Whether an entry of the journal starts with this text.
bool Journaled(const std::string& start);
