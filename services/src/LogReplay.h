// CLogReplay: the run's log files read back into the hourly writer when the program's first run starts,
// so that an hour a stopped or killed program left unwritten is written from them. It tells the averaging
// time of the lines a run before this one logged, where this run's lines begin in the log, and the point
// where the live records take over from the log. Used by the archive's export.
#pragma once

#include <chrono>
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

// The end of what the replay read: its last time record and the record lines after it. A live record up
// to there is in the log already.
struct ReplayMark {
    std::time_t time;
    std::size_t linesAfter;
};

class CLogReplay {
public:
    // The record lines of the dated log files in folder, from the first time record at or after from, up
    // to the last whole line each file holds now (a line being appended is left to the live records).
    // Those from the first time record at or after runFrom on are the running run's own.
    CLogReplay(const std::filesystem::path& folder, std::time_t from, std::time_t runFrom);

    // The averaging time of the rows before the run's; nothing when they are too few to tell.
    std::optional<std::chrono::seconds> Averaging() const { return m_averaging; }
    std::optional<ReplayMark> Mark() const { return m_mark; }
    // Calls add with each line, in the order logged, and atRun once: before the run's first line, or at
    // the end when the log holds none of them yet.
    void Feed(const std::function<void(std::string_view)>& add, const std::function<void()>& atRun) const;

private:
    std::time_t m_from;
    std::time_t m_runFrom;
    std::vector<std::pair<std::filesystem::path, std::size_t>> m_files;  // each with the bytes to read
    std::optional<std::chrono::seconds> m_averaging;
    std::optional<ReplayMark> m_mark;
};
