// CTrendHistory: everything the Trend view can show, from the log folder, from log files the
// operator opened and from the records of a run, joined on one time axis without duplicates.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "trend/LogHistory.h"
#include "trend/RecordTimeline.h"
#include "trend/TrendData.h"

class CTrendHistory {
public:
    const TrendData& Data() const { return m_data; }
    const CLogProblems& Problems() const { return m_problems; }

    // One line of a run as it is handled; now dates records before the run's first T record.
    // True when it added a value. Lines that cannot be read are left to the log, not reported.
    bool AddLiveLine(std::string_view line, double now);
    // The time of the newest record of the run; nothing before the first.
    std::optional<double> NewestLive() const { return m_newestLive; }
    // Forgets the run's records from before the local midnight before `time`, except those a log file
    // also gave, so that a long run holds only what can be shown. The folder is read again when a
    // window reaches back past that midnight.
    void ForgetLiveBefore(double time);

    // Makes sure the folder's log files are read from the local midnight before `from` on; reads
    // only when the folder changed or `from` is earlier than what was read. True when it read.
    bool LoadFolder(const std::filesystem::path& folder, std::time_t from);

    // Reads the given files; gives the oldest and newest time they held (nothing when none).
    std::optional<std::pair<double, double>> LoadFiles(const std::vector<std::filesystem::path>& files);

private:
    TrendData m_data;
    CRecordTimeline m_live;
    CLogProblems m_problems;
    std::filesystem::path m_folder;
    std::optional<std::time_t> m_loadedFrom;  // the folder's records are all held from here on
    std::optional<double> m_newestLive;
    std::optional<std::time_t> m_forgottenBefore;
    std::optional<std::time_t> m_nextMidnight;  // after the midnight last looked at
};
