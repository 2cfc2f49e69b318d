// Finding the log files of a folder by their dated names and reading their records back.
#include "trend/LogHistory.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include "trend/RecordTimeline.h"

namespace {

constexpr std::size_t kDateDigits = 6;
constexpr std::size_t kShortestPrefix = 2;
constexpr std::time_t kWeeklyFileDays = 7;
constexpr std::time_t kSecondsPerDay = 86400;
// No record line is longer; anything longer is not a log line (binary or foreign data).
constexpr std::size_t kLongestLine = 255;
constexpr std::size_t kReadChunk = 1 << 16;

bool HasBinary(std::string_view line) {
    return std::any_of(line.begin(), line.end(), [](char c) { return c == '\0'; });
}

}  // namespace

void CLogProblems::Add(LogProblem problem) {
    if (m_kept.size() < kKeptProblems) m_kept.push_back(std::move(problem));
    ++m_count;
}

void CLogProblems::Clear() {
    m_kept.clear();
    m_count = 0;
}

std::optional<std::time_t> LogFileDate(const std::string& fileName) {
    const std::string stem = fileName.substr(0, fileName.find('.'));
    if (stem.size() < kShortestPrefix + kDateDigits) return std::nullopt;
    const std::string digits = stem.substr(stem.size() - kDateDigits);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    auto two = [&digits](std::size_t at) { return (digits[at] - '0') * 10 + (digits[at + 1] - '0'); };
    std::tm date{};
    // Two-digit years: 70-99 are 1970-1999, 00-69 are 2000-2069.
    date.tm_year = two(0) < 70 ? two(0) + 100 : two(0);
    date.tm_mon = two(2) - 1;
    date.tm_mday = two(4);
    date.tm_isdst = -1;
    if (date.tm_mon < 0 || date.tm_mon > 11 || date.tm_mday < 1 || date.tm_mday > 31) return std::nullopt;
    const int month = date.tm_mon;
    const std::time_t midnight = std::mktime(&date);
    if (date.tm_mon != month) return std::nullopt;  // 31 April and the like roll into the next month
    return midnight;
}

std::vector<std::filesystem::path> LogFilesFrom(const std::filesystem::path& folder, std::time_t from) {
    const std::time_t firstDay = from - kWeeklyFileDays * kSecondsPerDay;
    std::vector<std::pair<std::time_t, std::filesystem::path>> dated;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::optional<std::time_t> date = LogFileDate(entry.path().filename().string());
        if (date && *date > firstDay) dated.emplace_back(*date, entry.path());
    }
    std::sort(dated.begin(), dated.end());
    std::vector<std::filesystem::path> files;
    for (auto& [date, path] : dated) files.push_back(std::move(path));
    return files;
}

void ReadLogFile(const std::filesystem::path& file, TrendData& data, CLogProblems& problems) {
    const std::string name = file.filename().string();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        problems.Add({name, 0, std::string("cannot be opened: ") + std::strerror(errno)});
        return;
    }
    ReadLog(in, name, data, problems);
}

void ReadLog(std::istream& in, const std::string& name, TrendData& data, CLogProblems& problems) {
    CRecordTimeline timeline;
    TrendData read;
    std::size_t lineNumber = 0;
    auto handle = [&](std::string_view line) {
        ++lineNumber;
        if (line.size() > kLongestLine || HasBinary(line)) {
            problems.Add({name, lineNumber, "not a record line"});
            return;
        }
        const LineOutcome outcome = timeline.Feed(line, read);
        if (!outcome.problem.empty()) problems.Add({name, lineNumber, outcome.problem});
    };
    // Read in large chunks and cut at LF; a CR before it is dropped by the timeline.
    std::string pending;
    std::string chunk(kReadChunk, '\0');
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        std::size_t start = 0;
        for (std::size_t i = 0; i < got; ++i) {
            if (chunk[i] != '\n') continue;
            if (pending.empty()) {
                handle(std::string_view(chunk.data() + start, i - start));
            } else {
                pending.append(chunk.data() + start, i - start);
                handle(pending);
                pending.clear();
            }
            start = i + 1;
        }
        pending.append(chunk.data() + start, got - start);
    }
    if (in.bad()) problems.Add({name, lineNumber + 1, "read error"});
    // A last line without its CR LF was cut off while being written; what it holds is still shown.
    if (!pending.empty()) handle(pending);
    data.Absorb(read);
}
