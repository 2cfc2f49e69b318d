// Reading the data log files back for the Trend view: which files of a folder are log files and
// from which day, and the records of one file with the lines that could not be read.
#pragma once

#include <ctime>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "trend/TrendData.h"

// A line of a log file that could not be read, or a file that could not be opened (line 0).
struct LogProblem {
    std::string file;  // file name without folder
    std::size_t line = 0;
    std::string what;
};

// Lines that could not be read: the first kKeptProblems in full, the rest only counted.
class CLogProblems {
public:
    static constexpr std::size_t kKeptProblems = 50;
    void Add(LogProblem problem);
    void Clear();
    const std::vector<LogProblem>& Kept() const { return m_kept; }
    std::size_t Count() const { return m_count; }

private:
    std::vector<LogProblem> m_kept;
    std::size_t m_count = 0;
};

// The local midnight of the date a log file name carries: the six digits yymmdd that end the part
// of the name before its first dot, after at least two other characters (CV061206.dat,
// SITE061206.DAT, lo061206.dat). Nothing for other names or an impossible date.
std::optional<std::time_t> LogFileDate(const std::string& fileName);

// The log files of a folder that can hold records from `from` on: every file dated on or after the
// day six days before it (a weekly file holds up to seven days), oldest first.
std::vector<std::filesystem::path> LogFilesFrom(const std::filesystem::path& folder, std::time_t from);

// Adds the records of one log file to data; lines that cannot be read go to problems.
void ReadLogFile(const std::filesystem::path& file, TrendData& data, CLogProblems& problems);
// The same for a log already open; name is the file's name for the problems.
void ReadLog(std::istream& in, const std::string& name, TrendData& data, CLogProblems& problems);
