// Joining the folder's history, opened files and the live records.
#include "trend/TrendHistory.h"

#include <algorithm>

namespace {

// Two hours into the next day from any local midnight, whether the day has 23, 24 or 25 hours.
constexpr std::time_t kIntoTheNextDay = 26 * 3600;

std::time_t LocalMidnightBefore(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

}  // namespace

bool CTrendHistory::AddLiveLine(std::string_view line, double now) {
    const LineOutcome outcome = m_live.Feed(line, m_data, now);
    if (outcome.added) m_newestLive = std::max(m_newestLive.value_or(outcome.time), outcome.time);
    return outcome.added;
}

void CTrendHistory::ForgetLiveBefore(double time) {
    // A day at a time, so that each record is moved at most once a day. The midnight is worked out
    // once a day too: mktime looks at the time zone's file on every call.
    if (m_nextMidnight && time < *m_nextMidnight) return;
    const std::time_t midnight = LocalMidnightBefore(static_cast<std::time_t>(time));
    m_nextMidnight = LocalMidnightBefore(midnight + kIntoTheNextDay);
    if (m_forgottenBefore && midnight <= *m_forgottenBefore) return;
    m_forgottenBefore = midnight;
    const auto before = static_cast<double>(midnight);
    const bool scatter = m_data.scatter.ForgetAddedBefore(before);
    if ((m_data.aux.ForgetAddedBefore(before) || scatter) && m_loadedFrom)
        m_loadedFrom = std::max(*m_loadedFrom, midnight);
}

bool CTrendHistory::LoadFolder(const std::filesystem::path& folder, std::time_t from) {
    const std::time_t midnight = LocalMidnightBefore(from);
    if (folder == m_folder && m_loadedFrom && midnight >= *m_loadedFrom) return false;
    m_folder = folder;
    m_loadedFrom = midnight;
    // Files read before are read again; their records are already held and are dropped as such.
    CLogProblems problems;
    for (const auto& file : LogFilesFrom(folder, midnight)) ReadLogFile(file, m_data, problems);
    m_problems = std::move(problems);
    return true;
}

std::optional<std::pair<double, double>> CTrendHistory::LoadFiles(const std::vector<std::filesystem::path>& files) {
    TrendData read;
    for (const auto& file : files) ReadLogFile(file, read, m_problems);
    if (read.Empty()) return std::nullopt;
    const std::pair<double, double> span{read.Oldest(), read.Newest()};
    m_data.Absorb(read);
    return span;
}
