// The instrument's operating-mode cycle: measuring (N) for the auto zero period less the other
// three times, blanking (B), zeroing (Z), blanking, measuring again. In Manual mode measuring lasts
// until a zero is asked for. Advanced one instrument second at a time.
#pragma once

#include <cstdint>

#include "sim/InstrumentConfig.h"

class ModeCycle {
public:
    // Starts measuring, for a full measuring length.
    explicit ModeCycle(const InstrumentConfig& config);

    char Mode() const { return m_chMode; }
    // Seconds until the mode ends (from the mode's length down to 1); 0 while measuring in Manual
    // mode, which has no end.
    std::uint32_t SecondsLeft() const { return m_nSecondsLeft; }

    // One instrument second. Returns true when a zeroing period has just ended.
    bool Advance(const InstrumentConfig& config);
    // A zero asked for by command: blanking, zeroing, blanking, then measuring.
    void StartZero(const InstrumentConfig& config);
    // The mode setting changed: measuring restarts its count (Normal) or stops counting (Manual).
    void OnModeSettingChanged(const InstrumentConfig& config);

    // Measuring length: auto zero period - averaging - zero - blank time, at least one second
    // (the settings may leave nothing for measuring).
    static std::uint32_t MeasuringLength(const InstrumentConfig& config);

private:
    void Enter(char mode, const InstrumentConfig& config);

    char m_chMode = 'N';
    std::uint32_t m_nSecondsLeft = 0;
    char m_chAfterBlanking = 'Z';  // what the current or next blanking leads to
};
