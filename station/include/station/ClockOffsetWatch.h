// CClockOffsetWatch: the instrument's clock against the PC's during a run, from its T records. Keeps
// the median offset of the last ten, journals when it passes the warning threshold and when it is
// back, and tells a daylight-saving change of the PC's from drift. Plain C++, not locked: the clock
// keeper owns it.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "station/ClockSample.h"
#include "station/ClockTexts.h"

class CClockOffsetWatch {
public:
    // T records in the median: one late line does not move it.
    static constexpr std::size_t kWindow = 10;
    // T records before the median is judged, so that the first one alone never is.
    static constexpr std::size_t kFewestJudged = 3;
    static constexpr double kDefaultWarningSeconds = 10;

    explicit CClockOffsetWatch(JournalSink journal, double warningSeconds = kDefaultWarningSeconds);

    // The sample of one T record, in arrival order. True when it showed a change of the PC's UTC offset
    // that the instrument did not follow: its clock is then about that change off at once.
    bool Add(const ClockSample& sample);
    // Forgets the offsets seen so far, after the instrument's clock was set. A warning given stays
    // given, so that the offset coming back is journaled.
    void Restart();

    // The median offset in seconds, from the first T record; for the window, the status page and the
    // metrics.
    std::optional<double> Median() const;
    // Enough T records have come since the start or the last Restart for the median to be judged.
    bool Settled() const { return m_offsets.size() >= kFewestJudged; }

private:
    bool OnUtcOffsetChange(const ClockSample& sample, long change);
    void JudgeMedian();

    JournalSink m_journal;
    double m_dWarning;
    std::deque<double> m_offsets;  // the last kWindow, oldest first
    std::optional<long> m_lastUtcOffset;
    bool m_bWarned = false;
};
