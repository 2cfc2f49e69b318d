// The PC's own clock: its time and whether the kernel counts it synchronised to a time source,
// behind a seam that tests fill with their own; and CPcClockWatch, which journals each change of
// that state. Plain C++; used by the clock keeper and, for the metric, the station's health.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "station/ClockTexts.h"

struct PcClockReading {
    std::chrono::system_clock::time_point now;        // the PC's time
    std::chrono::steady_clock::time_point monotonic;  // for intervals: unmoved when the clock is stepped
    bool synchronized = false;
};
using PcClockSource = std::function<PcClockReading()>;

// The real clock. Synchronised when adjtimex() does not answer TIME_ERROR and STA_UNSYNC is clear,
// that is while a time daemon keeps the kernel's clock disciplined.
PcClockReading ReadPcClock();

class CPcClockWatch {
public:
    CPcClockWatch(PcClockSource source, JournalSink journal);

    // Reads the clock; journals the first state read and each change.
    PcClockReading Check();
    // The state of the last Check; nothing before the first.
    std::optional<bool> Synchronized() const { return m_bSynchronized; }

private:
    PcClockSource m_source;
    JournalSink m_journal;
    std::optional<bool> m_bSynchronized;
};
