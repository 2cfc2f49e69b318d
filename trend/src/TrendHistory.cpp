// Joining the folder's history, opened files and the live records.
#include "trend/TrendHistory.h"

bool CTrendHistory::AddLiveLine(std::string_view line, double now) {
    return m_live.Feed(line, m_data, now).added;
}

bool CTrendHistory::LoadFolder(const std::filesystem::path& folder, std::time_t from) {
    std::tm local{};
    localtime_r(&from, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&local);
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
