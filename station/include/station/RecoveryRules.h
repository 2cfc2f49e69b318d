// The timing rules of a run that outlives its instrument: how often the port is tried again, how
// long the instrument may stay silent, when failed tries earn another journal line, and how a gap
// is written. Plain C++; used by the run recovery.
#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

// Delay before reopen try n, counted from 0 after each loss: 2 s for the first five tries (a
// re-plugged adapter is back within seconds), then 2 s longer for each further try, up to 10 s.
std::chrono::seconds ReopenDelay(unsigned tryNumber);

// "trying every 2 s, then every 10 s (reported hourly)": the schedule above, as the journal tells it.
std::string ReopenScheduleText();

// How long a run may go without a line: twice the averaging time (decimal rule) plus 10 s, and
// at least 20 s.
std::chrono::seconds SilenceLimit(std::string_view averagingTime);

// "14:22:07": the local time of day, as the journal and the waiting status text give it.
std::string ClockText(std::time_t t);

// "1:02:03" for a gap of 1 h 2 min 3 s; days count as hours ("50:00:00").
std::string GapText(std::chrono::seconds gap);

// Failed tries are journaled as the first failure, then one summary per hour while they go on.
class CFailureSummary {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::hours kInterval{1};

    // Starts a new series (a new loss).
    void Reset();
    // Counts one failure; true when this one is to be journaled.
    bool Count(Clock::time_point now);
    unsigned Failures() const { return m_nFailures; }

private:
    unsigned m_nFailures = 0;
    Clock::time_point m_tLastReport{};
};
