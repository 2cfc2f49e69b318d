// CClockKeeping: when the instrument's clock is to be set to the PC's, as pure decisions on plain
// values (no I/O, not locked). Off unless a threshold is given. At a run's start and at each reconnect
// the "RT" answer's offset decides; during a run, the median offset once it has stayed beyond the
// threshold for five minutes (at most once an hour), or a daylight-saving change at once; never while
// the instrument zeroes or blanks, and never from an unsynchronised PC. Used by the clock keeper.
#pragma once

#include <chrono>
#include <cmath>
#include <optional>
#include <string>

// A kept clock is kept within kMinKeepSeconds to kMaxKeepSeconds of the PC's (0: not kept). "STT"
// sets whole seconds, so a threshold of one second would set the clock again and again.
inline constexpr unsigned kMinKeepSeconds = 2;
inline constexpr unsigned kMaxKeepSeconds = 86400;

class CClockKeeping {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::minutes kBeyondFor{5};
    static constexpr std::chrono::hours kAtMostEvery{1};

    // thresholdSeconds: the clock is kept within this; 0 turns keeping off.
    explicit CClockKeeping(unsigned thresholdSeconds) : m_nThreshold(thresholdSeconds) {}
    void SetThreshold(unsigned thresholdSeconds) { m_nThreshold = thresholdSeconds; }
    bool IsOn() const { return m_nThreshold > 0; }
    // Whether an offset in seconds is beyond the threshold the clock is kept within.
    bool Beyond(double offset) const { return std::abs(offset) > m_nThreshold; }
    // A new run: how long the last one's clock had been off, and a daylight-saving change it had
    // not yet followed, no longer count. The hourly limits go on.
    void OnRunStarted();

    struct Decision {
        bool setClock = false;
        // Why the clock is not set although it is off, for the journal; given at most once an
        // hour for each reason.
        std::optional<std::string> heldBack;
    };

    // At a run's start or a reconnect: offset is that of the "RT" answer (nothing when it was no
    // valid time).
    Decision AtStart(std::optional<double> offset, bool pcSynchronized, TimePoint now);

    struct RunState {
        std::optional<double> median;  // nothing until enough T records have come
        bool pcSynchronized = false;
        // The mode letter of the run's last D record: 'N' measuring, 'B' blanking, 'Z' zeroing;
        // '\0' while none has come (with D records switched off the mode cannot be seen).
        char mode = '\0';
        bool timeZoneChanged = false;  // this T record showed a daylight-saving change not followed
        // The run can make a correction now: not while it starts its output again or stops, when
        // a correction due waits for the first record after.
        bool canCorrect = true;
    };
    // During a run, at each T record and change of mode. setClock: end unpolled output and run the
    // instrument part of the start again, which sets the clock; it counts as an attempt from now.
    Decision DuringRun(const RunState& state, TimePoint now);

private:
    Decision SetNow(TimePoint now);
    // The hold-back note, when the last one for the same reason is an hour old.
    static Decision HoldBack(std::optional<TimePoint>& lastNote, std::string text, TimePoint now);

    unsigned m_nThreshold;
    std::optional<TimePoint> m_beyondSince;  // the median has been beyond the threshold since
    bool m_bTimeZonePending = false;         // a daylight-saving change waits for its correction
    std::optional<TimePoint> m_lastAttempt;
    std::optional<TimePoint> m_lastUnsyncedNote, m_lastUnreadableNote;
};
