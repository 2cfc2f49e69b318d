// CRecordTimeline: dates the D, Y and Z record lines of a log file or of a run by the T record that
// came before them, and adds their values to a TrendData.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "trend/TrendData.h"

// What became of one line.
struct LineOutcome {
    bool added = false;    // a row or a zero time was added (or was already held)
    std::string problem;   // why the line, or part of it, could not be read; empty when it could
};

class CRecordTimeline {
public:
    // Reads one instrument line (without CR LF). T records set the time; D, Y and Z records are
    // added at it. When no T record came since the last record of the same kind (a T record lost
    // or switched off), the record is placed one T interval after that last one. fallbackNow, when
    // given, dates the records of a run in which no T record has arrived yet.
    LineOutcome Feed(std::string_view line, TrendData& data, std::optional<double> fallbackNow = std::nullopt);

private:
    // The time of a record of the kind whose last time is lastTime; nothing when it cannot be dated.
    std::optional<double> TimeFor(std::optional<double>& lastTime, std::optional<double> fallbackNow) const;
    std::optional<double> ReadTime(std::string_view line);

    std::optional<double> m_time;          // the last valid T record
    double m_step = 0;                     // seconds between the last two T records
    std::optional<double> m_lastScatter;   // time given to the last D record
    std::optional<double> m_lastAux;       // time given to the last Y record
    // mktime is slow on a week of one-second records: one conversion per local hour, then seconds.
    int m_cachedHourKey = -1;
    double m_cachedHourStart = 0;
};
