// Operating-mode transitions of the simulated instrument.
#include "sim/ModeCycle.h"

#include <algorithm>

ModeCycle::ModeCycle(const InstrumentConfig& config) {
    Enter('N', config);
}

std::uint32_t ModeCycle::MeasuringLength(const InstrumentConfig& config) {
    const std::int64_t length = std::int64_t{config.Get(Setting::AutoZeroPeriod)} -
                                config.Get(Setting::AveragingTime) - config.Get(Setting::ZeroTime) -
                                config.Get(Setting::BlankTime);
    return static_cast<std::uint32_t>(std::max<std::int64_t>(length, 1));
}

void ModeCycle::Enter(char mode, const InstrumentConfig& config) {
    m_chMode = mode;
    switch (mode) {
        case 'B':
            m_nSecondsLeft = config.Get(Setting::BlankTime);
            break;
        case 'Z':
            m_nSecondsLeft = config.Get(Setting::ZeroTime);
            break;
        default:
            m_nSecondsLeft = config.IsOn(Setting::Mode) ? MeasuringLength(config) : 0;
            break;
    }
}

bool ModeCycle::Advance(const InstrumentConfig& config) {
    if (m_nSecondsLeft == 0) return false;  // Manual measuring: no end
    if (--m_nSecondsLeft > 0) return false;
    switch (m_chMode) {
        case 'N':
            m_chAfterBlanking = 'Z';
            Enter('B', config);
            return false;
        case 'B':
            Enter(m_chAfterBlanking, config);
            return false;
        default:  // zeroing ended
            m_chAfterBlanking = 'N';
            Enter('B', config);
            return true;
    }
}

void ModeCycle::StartZero(const InstrumentConfig& config) {
    m_chAfterBlanking = 'Z';
    Enter('B', config);
}

void ModeCycle::OnModeSettingChanged(const InstrumentConfig& config) {
    if (m_chMode == 'N') Enter('N', config);
}
