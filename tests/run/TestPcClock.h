// TestPcClock: the PC's clock as the run core's clock tests steer it. Its time is the real one (the
// simulator's clock and the arrival of every line follow that), whether it counts as synchronised is
// the test's to say, and its monotonic clock can be moved on by five minutes or an hour at once.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "station/PcClock.h"

class TestPcClock {
public:
    explicit TestPcClock(bool synchronized) : m_bSynchronized(synchronized) {}

    void SetSynchronized(bool synchronized) { m_bSynchronized = synchronized; }
    // The intervals the clock keeping measures pass by this much more at once.
    void Skip(std::chrono::seconds by) { m_nSkipped += by.count(); }

    // Called on the run's threads; lives as long as the core it is given to.
    PcClockSource Source() {
        return [this] {
            return PcClockReading{std::chrono::system_clock::now(),
                                  std::chrono::steady_clock::now() + std::chrono::seconds(m_nSkipped.load()),
                                  m_bSynchronized.load()};
        };
    }

private:
    std::atomic<bool> m_bSynchronized;
    std::atomic<std::int64_t> m_nSkipped{0};
};
