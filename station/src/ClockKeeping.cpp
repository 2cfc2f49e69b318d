// The decisions that keep the instrument's clock.
#include "station/ClockKeeping.h"

#include <cmath>

#include "station/ClockTexts.h"

namespace {
std::string UnsyncedText(double offset) {
    return "the instrument's clock is " + ClockDifferenceText(offset) +
           ", but the PC's own clock is not synchronised: the instrument's clock is not set "
           "from it (said at most once an hour)";
}
}  // namespace

void CClockKeeping::OnRunStarted() {
    m_beyondSince.reset();
    m_bTimeZonePending = false;
}

CClockKeeping::Decision CClockKeeping::AtStart(std::optional<double> offset, bool pcSynchronized,
                                               TimePoint now) {
    if (!IsOn()) return {};
    if (!offset)
        return HoldBack(
            m_lastUnreadableNote,
            "the instrument's time could not be read (its answer to \"RT\" is no valid time): its "
            "clock is not checked (said at most once an hour)",
            now);
    if (!Beyond(*offset)) return {};
    if (!pcSynchronized) return HoldBack(m_lastUnsyncedNote, UnsyncedText(*offset), now);
    return SetNow(now);
}

CClockKeeping::Decision CClockKeeping::DuringRun(const RunState& state, TimePoint now) {
    if (!IsOn()) return {};
    m_bTimeZonePending = m_bTimeZonePending || state.timeZoneChanged;
    if (!state.median) return {};  // not judged yet: what was seen stays
    if (!Beyond(*state.median)) {
        m_beyondSince.reset();
        m_bTimeZonePending = false;
        return {};
    }
    if (!m_beyondSince) m_beyondSince = now;
    // A daylight-saving change needs neither the five minutes nor the hourly limit: it is corrected at once.
    if (!m_bTimeZonePending &&
        (now - *m_beyondSince < kBeyondFor || (m_lastAttempt && now - *m_lastAttempt < kAtMostEvery)))
        return {};
    // A restart would cut a zero or a blank short: wait for normal operation.
    if (!state.canCorrect || (state.mode != 'N' && state.mode != '\0')) return {};
    if (!state.pcSynchronized) return HoldBack(m_lastUnsyncedNote, UnsyncedText(*state.median), now);
    return SetNow(now);
}

CClockKeeping::Decision CClockKeeping::SetNow(TimePoint now) {
    m_lastAttempt = now;
    m_beyondSince.reset();
    m_bTimeZonePending = false;
    return {true, std::nullopt};
}

CClockKeeping::Decision CClockKeeping::HoldBack(std::optional<TimePoint>& lastNote, std::string text,
                                                TimePoint now) {
    if (lastNote && now - *lastNote < kAtMostEvery) return {};
    lastNote = now;
    return {false, std::move(text)};
}
