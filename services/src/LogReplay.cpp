// The log files of the replay, read twice: once for their averaging time and end, once to feed them.
#include "LogReplay.h"

#include <fstream>
#include <iterator>
#include <string>

#include "archive/AveragingTally.h"
#include "records/Records.h"
#include "trend/LogHistory.h"

namespace {

// A file's first bytes, at most limit of them (all of it without a limit).
std::string Read(const std::filesystem::path& file, std::optional<std::size_t> limit = std::nullopt) {
    std::ifstream in(file, std::ios::binary);
    if (!limit) return std::string(std::istreambuf_iterator<char>(in), {});
    std::string text(*limit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(*limit));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::optional<std::time_t> TimeOfTimeRecord(std::string_view line) {
    const std::optional<TimeRecord> time = line.front() == 'T' ? ParseTimeRecord(line) : std::nullopt;
    return time ? time->instrumentTime : std::nullopt;
}

// The record lines of log text, file after file, from the first time record at or after from on: the
// lines the run core logs and publishes.
class RecordLines {
public:
    explicit RecordLines(std::time_t from) : m_from(from) {}
    // A last line without its line break is left out.
    void Walk(std::string_view text, const std::function<void(std::string_view)>& visit) {
        for (std::size_t begin = 0, end; (end = text.find('\n', begin)) != std::string_view::npos;
             begin = end + 1) {
            std::string_view line = text.substr(begin, end - begin);
            if (line.ends_with('\r')) line.remove_suffix(1);
            if (line.empty() || !IsRecordLetter(line.front())) continue;
            if (!m_reached) {
                const std::optional<std::time_t> time = TimeOfTimeRecord(line);
                m_reached = time && *time >= m_from;
                if (!m_reached) continue;
            }
            visit(line);
        }
    }

private:
    std::time_t m_from;
    bool m_reached = false;
};

}  // namespace

CLogReplay::CLogReplay(const std::filesystem::path& folder, std::time_t from, std::time_t runFrom)
    : m_from(from), m_runFrom(runFrom) {
    CAveragingTally tally;
    RecordLines lines(from);
    bool inRun = false;
    for (const std::filesystem::path& file : LogFilesFrom(folder, from)) {
        std::string text = Read(file);
        text.resize(text.rfind('\n') + 1);  // empty without a whole line
        m_files.emplace_back(file, text.size());
        lines.Walk(text, [&](std::string_view line) {
            const std::optional<std::time_t> time = TimeOfTimeRecord(line);
            inRun = inRun || (time && *time >= runFrom);
            if (!inRun) tally.AddLine(line);
            if (time)
                m_mark = ReplayMark{*time, 0};
            else if (m_mark)
                ++m_mark->linesAfter;
        });
    }
    m_averaging = tally.Averaging();
}

void CLogReplay::Feed(const std::function<void(std::string_view)>& add,
                      const std::function<void()>& atRun) const {
    RecordLines lines(m_from);
    bool inRun = false;
    for (const auto& [file, size] : m_files)
        lines.Walk(Read(file, size), [&](std::string_view line) {
            const std::optional<std::time_t> time = TimeOfTimeRecord(line);
            if (!inRun && time && *time >= m_runFrom) {
                inRun = true;
                atRun();
            }
            add(line);
        });
    if (!inRun) atRun();
}
