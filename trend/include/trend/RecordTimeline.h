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
    double time = 0;       // the time it was placed at, when added
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
    // The last record of one kind: its time and the T record it was dated by.
    struct KindState {
        std::optional<double> time;
        unsigned long timeRecord = 0;
    };
    // The time of a record of this kind; nothing when it cannot be dated.
    std::optional<double> TimeFor(KindState& kind, std::optional<double> fallbackNow) const;
    // The local time of a T record; skippedHour tells, once per such hour, that the time does not
    // exist on the local clock.
    std::optional<double> ReadTime(std::string_view line, bool& skippedHour);

    std::optional<double> m_time;          // the last valid T record
    unsigned long m_timeRecords = 0;       // valid T records so far
    double m_step = 0;                     // seconds between the last two T records
    KindState m_scatter;                   // the last D record
    KindState m_aux;                       // the last Y record
    // mktime is slow on a week of one-second records: one conversion per local hour, then seconds.
    int m_cachedHourKey = -1;
    double m_cachedHourStart = 0;
};
