// The instrument's operating mode as the D records report it, and the countdown that predicts
// the next mode when the current one runs out. Owned by the Data page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "records/InstrumentSettings.h"

// "BLANKING mode for", "MEASURING mode for", "ZEROING mode for"; nothing for other letters.
std::optional<std::string> ModeLabel(char modeLetter);

class COperatingMode {
public:
    const std::string& ModeField() const { return m_strModeField; }
    std::uint16_t ModeCount() const { return m_nModeCount; }

    // D record field 1. Returns the label to show when the field starts with a mode letter.
    std::optional<std::string> SetModeField(const std::string& field);
    // D record field 2. Returns the text to show as the mode seconds (empty in Manual measuring).
    std::string SetModeSeconds(const std::string& field, const InstrumentSettingsSnapshot& settings);
    void SetModeAfterBlanking(char letter) { m_chModeAfterBlanking = letter; }
    void ClearCount() { m_nModeCount = 0; }

    struct TickResult {
        bool counted = false;              // the countdown was above 0 and was decremented
        std::uint16_t shown = 0;           // the value to show when counted
        std::optional<std::string> label;  // new label when a mode ran out and one was predicted
    };
    // One second of the Data page's timer, with the expiry rule at 0.
    TickResult Tick(const InstrumentSettingsSnapshot& settings);

private:
    std::string m_strModeField;
    std::uint16_t m_nModeCount = 0;
    char m_chModeAfterBlanking = 'Z';
};
