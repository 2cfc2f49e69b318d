// The main window's last-known instrument settings, read by the Data page's countdowns and the
// log-size check.
#pragma once

#include <cstdint>
#include <string>

// The instrument models as the settings store and the Setup page's list number them.
namespace ModelIndex {
inline constexpr std::uint16_t k7810 = 0;
inline constexpr std::uint16_t k7830 = 1;  // the model with backscatter
inline constexpr std::uint16_t kUnknown = 2;
inline constexpr std::uint16_t kNoneLoaded = 3;  // the window before its first load of the settings
}  // namespace ModelIndex

// The operating modes as the instrument numbers them ("SMZ").
inline constexpr std::uint16_t kModeManual = 0;
inline constexpr std::uint16_t kModeNormal = 1;

struct InstrumentSettingsSnapshot {
    std::uint16_t m_nModel = ModelIndex::kNoneLoaded;
    // 0 Manual, 1 Normal. Until the instrument first reports its mode, Normal is assumed so that
    // a D record's mode seconds are shown rather than hidden.
    std::uint16_t m_nMode = kModeNormal;
    std::string m_strAveragingTime;
    std::string m_strBlankTime;
    std::string m_strZeroTime;
    std::string m_strAutoZeroPeriod;
};
