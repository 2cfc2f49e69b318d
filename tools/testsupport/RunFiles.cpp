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

std::vector<std::string> JournalEntries(std::initializer_list<std::string_view> ignoredWords) {
    std::ifstream in(JournalPath());
    std::vector<std::string> entries;
    for (std::string line; std::getline(in, line);) {
        std::string entry = line.substr(line.find(' ') + 1);
        const std::string_view word = std::string_view(entry).substr(0, entry.find(' '));
        if (std::find(ignoredWords.begin(), ignoredWords.end(), word) == ignoredWords.end())
            entries.push_back(std::move(entry));
    }
    return entries;
}

bool Journaled(const std::string& start) {
    const std::vector<std::string> entries = JournalEntries();
    return std::any_of(entries.begin(), entries.end(), [&](const std::string& e) { return e.starts_with(start); });
}
