// The simulated instrument's own configuration: the eleven settings the program reads and sets by
// name ("SMB", "UD", "STA", ...), with the values each one accepts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

enum class Setting {
    Backscatter,     // SMB: 0 off, 1 on
    Mode,            // SMZ: 0 Manual (zero only on command), 1 Normal (automatic zero periods)
    DataRecords,     // UD: unpolled D records
    TimeRecords,     // UT: unpolled T records
    PhotonRecords,   // UP: 0 off, 3 unpolled B, G and R records
    AuxRecords,      // UY: unpolled Y records
    ZeroRecords,     // UZ: a Z record after each zero period
    AveragingTime,   // STA, seconds between sets of unpolled records
    BlankTime,       // STB, seconds
    ZeroTime,        // STZ, seconds
    AutoZeroPeriod,  // STP, seconds from one zero period to the next
};
inline constexpr std::size_t kSettingCount = 11;

// The command name of a setting: its query, and its set command when followed by a value.
std::string_view SettingName(Setting setting);
std::optional<Setting> SettingByName(std::string_view name);
bool IsValidSettingValue(Setting setting, std::uint32_t value);

class InstrumentConfig {
public:
    InstrumentConfig();
    std::uint32_t Get(Setting setting) const { return m_values[static_cast<std::size_t>(setting)]; }
    // False, leaving the setting as it was, when the value is out of its range.
    bool Set(Setting setting, std::uint32_t value);
    bool IsOn(Setting setting) const { return Get(setting) != 0; }

private:
    std::array<std::uint32_t, kSettingCount> m_values;
};
