// The median clock offset, its warning with hysteresis, and daylight-saving changes told from drift.
#include "station/ClockOffsetWatch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {
std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}
}  // namespace

CClockOffsetWatch::CClockOffsetWatch(JournalSink journal, double warningSeconds)
    : m_journal(std::move(journal)), m_dWarning(warningSeconds) {}

bool CClockOffsetWatch::Add(const ClockSample& sample) {
    bool unfollowedChange = false;
    if (m_lastUtcOffset && sample.utcOffset != *m_lastUtcOffset)
        unfollowedChange = OnUtcOffsetChange(sample, sample.utcOffset - *m_lastUtcOffset);
    m_lastUtcOffset = sample.utcOffset;
    m_offsets.push_back(sample.offset);
    if (m_offsets.size() > kWindow) m_offsets.pop_front();
    if (unfollowedChange)
        // The time-zone line says it all: the warning follows the new offset without a line of its own.
        m_bWarned = std::abs(*Median()) > m_dWarning;
    else
        JudgeMedian();
    return unfollowedChange;
}

void CClockOffsetWatch::Restart() {
    m_offsets.clear();
}

std::optional<double> CClockOffsetWatch::Median() const {
    if (m_offsets.empty()) return std::nullopt;
    std::vector<double> sorted(m_offsets.begin(), m_offsets.end());
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

bool CClockOffsetWatch::OnUtcOffsetChange(const ClockSample& sample, long change) {
    const std::string what = "the PC's UTC offset changed from " + UtcOffsetText(sample.utcOffset - change) +
                             " to " + UtcOffsetText(sample.utcOffset);
    const std::optional<double> before = Median();
    // The PC's local time jumped by the change; an instrument that did not follow jumped the other way.
    const bool followed = !before || std::abs(sample.offset - *before) <
                                         std::abs(sample.offset - (*before - static_cast<double>(change)));
    if (followed) {
        m_journal(ClockWord::kTimeZone, what + (before ? "; the instrument's clock changed with it" : ""));
        return false;
    }
    // The offsets seen so far, told in the PC's new local time.
    for (double& offset : m_offsets) offset -= static_cast<double>(change);
    m_journal(ClockWord::kTimeZone,
              what + " (daylight saving, not drift): the instrument keeps its own time and is now " +
                  ClockDifferenceText(sample.offset));
    return true;
}

void CClockOffsetWatch::JudgeMedian() {
    if (!Settled()) return;
    const double median = *Median();
    if (!m_bWarned && std::abs(median) > m_dWarning) {
        m_bWarned = true;
        m_journal(ClockWord::kOffset, "the instrument's clock is " + ClockDifferenceText(median) +
                                          " (median of the last " + std::to_string(m_offsets.size()) +
                                          " time records; the warning is above " + SecondsText(m_dWarning) +
                                          ")");
    } else if (m_bWarned && std::abs(median) <= m_dWarning / 2) {
        m_bWarned = false;
        m_journal(ClockWord::kOffset, "the instrument's clock is back within " + SecondsText(m_dWarning / 2) +
                                          ": now " + ClockDifferenceText(median));
    }
}
