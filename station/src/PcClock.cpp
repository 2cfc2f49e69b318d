// The PC's clock and its synchronisation state as the kernel reports it.
#include "station/PcClock.h"

#include <sys/timex.h>

PcClockReading ReadPcClock() {
    timex state{};  // modes 0: read only, allowed to any user
    const int clockState = adjtimex(&state);
    return {std::chrono::system_clock::now(), std::chrono::steady_clock::now(),
            clockState != -1 && clockState != TIME_ERROR && (state.status & STA_UNSYNC) == 0};
}

CPcClockWatch::CPcClockWatch(PcClockSource source, JournalSink journal)
    : m_source(std::move(source)), m_journal(std::move(journal)) {}

PcClockReading CPcClockWatch::Check() {
    const PcClockReading reading = m_source();
    if (m_bSynchronized != reading.synchronized) {
        m_journal(ClockWord::kPcClock,
                  reading.synchronized
                      ? "the PC's clock is synchronised to a time source"
                      : "the PC's clock is not synchronised to any time source: it drifts, and "
                        "Corvane does not set the instrument's clock from it");
        m_bSynchronized = reading.synchronized;
    }
    return reading;
}
