// CClockKeeper: what a run does about the instrument's clock, in the few places the run core calls
// it. It watches the offset of every T record (always), journals the PC's synchronisation state and,
// when keeping is on, says when to send "STT" and journals what came of it. Every member may be
// called from any thread; the run core, its record listener, the window and the metrics share one.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "station/ClockKeeping.h"
#include "station/ClockOffsetWatch.h"
#include "station/EventJournal.h"
#include "station/PcClock.h"

class CClockKeeper {
public:
    // keepThresholdSeconds: keep the clock within this many seconds; 0 leaves it alone.
    explicit CClockKeeper(unsigned keepThresholdSeconds, PcClockSource pcClock = ReadPcClock,
                          JournalSink journal = JournalEvent);

    void SetKeepThreshold(unsigned seconds);
    bool Keeping() const;
    // A new run: the offsets and the mode seen in the last one no longer count.
    void OnRunStarted();

    // Each record of the run, in arrival order (a listener of the record stream); canCorrect: the run
    // is running, not starting its output again or stopping. True when the clock is to be corrected
    // now: end unpolled output ("UE") and run the instrument part of the start again, whose
    // ClockCommandAtStart then gives the "STT".
    bool OnRecord(std::string_view line, std::chrono::system_clock::time_point arrival, bool canCorrect);

    // At a run's start, a reconnect or a correction, right after "RT" was answered: the "STT"
    // command to send next, before "SD0" and "UB"; nothing to leave the clock (and the commands) as
    // they are.
    std::optional<std::string> ClockCommandAtStart(std::string_view rtAnswer);
    // After that command: its reply, and the answer to an "RT" sent right after it, which shows the
    // offset after.
    void OnClockCommandAnswered(std::string_view reply, std::string_view rtAnswerAfter);

    // The median offset of the run's T records, in seconds (instrument ahead: positive), for the
    // window, /status.json and corvane_instrument_clock_offset_seconds; nothing before the first.
    std::optional<double> OffsetSeconds() const;
    // For corvane_system_clock_synchronized; nothing before the first check.
    std::optional<bool> PcSynchronized() const;
    // Reads the PC's clock state and journals a change: for a timer that runs with or without a run.
    void CheckPcClock();

private:
    bool EvaluateDuringRun(bool timeZoneChanged, bool canCorrect);

    mutable std::mutex m_lock;
    JournalSink m_journal;
    CPcClockWatch m_pcClock;
    CClockOffsetWatch m_watch;
    CClockKeeping m_keeping;
    char m_chMode = '\0';           // of the run's last D record
    double m_dOffsetBeforeSet = 0;  // of the "RT" answer that led to the last "STT"
    std::string m_strSetCommand;
};
