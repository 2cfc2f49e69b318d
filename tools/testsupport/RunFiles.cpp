// A run's log files and journal read back.
#include "RunFiles.h"

#include <algorithm>
#include <fstream>

#include "station/EventJournal.h"

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(!in.eof() && line.ends_with('\r') ? line.substr(0, line.size() - 1) : line + "<no CR LF>");
    return lines;
}

std::vector<std::string> JournalEntries() {
    std::ifstream in(JournalPath());
    std::vector<std::string> entries;
    for (std::string line; std::getline(in, line);) entries.push_back(line.substr(line.find(' ') + 1));
    return entries;
}

bool Journaled(const std::string& start) {
    const std::vector<std::string> entries = JournalEntries();
    return std::any_of(entries.begin(), entries.end(), [&](const std::string& e) { return e.starts_with(start); });
}
