// Names, ranges and start values of the simulated instrument's settings.
#include "sim/InstrumentConfig.h"

namespace {

struct SettingRule {
    std::string_view name;
    std::uint32_t min, max;
    std::uint32_t initial;
};

// In Setting order. Timing values are whole seconds a 16-bit counter can hold.
constexpr std::array<SettingRule, kSettingCount> kRules = {{
    {"SMB", 0, 1, 1},
    {"SMZ", 0, 1, 1},
    {"UD", 0, 1, 1},
    {"UT", 0, 1, 1},
    {"UP", 0, 3, 0},
    {"UY", 0, 1, 1},
    {"UZ", 0, 1, 1},
    {"STA", 1, 65535, 60},
    {"STB", 1, 65535, 60},
    {"STZ", 1, 65535, 300},
    {"STP", 1, 65535, 3600},
}};

const SettingRule& RuleOf(Setting setting) {
    return kRules[static_cast<std::size_t>(setting)];
}

}  // namespace

std::string_view SettingName(Setting setting) {
    return RuleOf(setting).name;
}

std::optional<Setting> SettingByName(std::string_view name) {
    for (std::size_t i = 0; i < kRules.size(); ++i)
        if (kRules[i].name == name) return static_cast<Setting>(i);
    return std::nullopt;
}

bool IsValidSettingValue(Setting setting, std::uint32_t value) {
    // The photon records are switched as a set: 3 turns on all three, nothing in between.
    if (setting == Setting::PhotonRecords) return value == 0 || value == 3;
    const SettingRule& rule = RuleOf(setting);
    return value >= rule.min && value <= rule.max;
}

InstrumentConfig::InstrumentConfig() {
    for (std::size_t i = 0; i < kRules.size(); ++i) m_values[i] = kRules[i].initial;
}

bool InstrumentConfig::Set(Setting setting, std::uint32_t value) {
    if (!IsValidSettingValue(setting, value)) return false;
    m_values[static_cast<std::size_t>(setting)] = value;
    return true;
}
