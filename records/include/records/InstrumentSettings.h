// The main window's last-known instrument settings, read by the Data page's countdowns and the
// log-size check.
#pragma once

#include <cstdint>
#include <string>

struct InstrumentSettingsSnapshot {
    std::uint16_t m_nModel = 3;  // 0 "7810", 1 "7830", 2 "Unknown", 3 none loaded yet
    // 0 Manual, 1 Normal. Until the instrument first reports its mode, Normal is assumed so that
    // a D record's mode seconds are shown rather than hidden.
    std::uint16_t m_nMode = 1;
    std::string m_strAveragingTime;
    std::string m_strBlankTime;
    std::string m_strZeroTime;
    std::string m_strAutoZeroPeriod;
};
