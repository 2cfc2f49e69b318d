// One period's file for the archive: NASA-Ames 1001 in the archive's level-0 dialect, its name by the
// archive's rule and its text. Used by the hourly writer and corvane-export.
#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "archive/RowAssembler.h"
#include "archive/StationConfig.h"

inline constexpr std::chrono::seconds kHour{3600};
inline constexpr std::chrono::seconds kDay{86400};

struct ArchivePeriod {
    std::time_t start = 0;                // UTC, at the turn of an hour (or a day)
    std::chrono::seconds length = kHour;  // kHour or kDay
    // The instrument's averaging time: a row covers the averaging time up to its time record's time.
    std::chrono::seconds averaging{60};
};

// A row belongs to the period that holds the start of its averaging period.
std::time_t PeriodStartOf(const ArchiveRow& row, std::chrono::seconds averaging, std::chrono::seconds length);

// The archive's code of a duration: "1h", "5mn", "10s", "1d".
std::string DurationCode(std::chrono::seconds duration);

struct ArchiveFile {
    std::string name;
    std::string text;
    std::size_t rows = 0;        // rows written
    std::size_t duplicates = 0;  // rows left out because an earlier one has the same time
};

// The file of the period with these rows (in any order; each must belong to the period), created at
// revision (UTC). Rows are written in time order; of two with the same time only the first is kept.
ArchiveFile FormatArchiveFile(const StationConfig& station, const ArchivePeriod& period, std::time_t revision,
                              std::vector<ArchiveRow> rows);
