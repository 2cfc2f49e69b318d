// The operating mode from D records and the countdown that predicts the next mode when the
// current one runs out before the instrument reports again.
#include "records/OperatingMode.h"

#include "records/Records.h"

namespace {

constexpr char kBlanking = 'B';
constexpr char kMeasuring = 'N';
constexpr char kZeroing = 'Z';
constexpr std::uint16_t kManualMode = 0;

// Countdowns hold seconds modulo 65536, as the instrument's own 16-bit figures do.
std::uint16_t Seconds(std::int64_t value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

}  // namespace

std::optional<std::string> ModeLabel(char modeLetter) {
    switch (modeLetter) {
        case kBlanking:
            return "BLANKING mode for";
        case kMeasuring:
            return "MEASURING mode for";
        case kZeroing:
            return "ZEROING mode for";
        default:
            return std::nullopt;
    }
}

std::optional<std::string> COperatingMode::SetModeField(const std::string& field) {
    m_strModeField = field;
    return field.empty() ? std::nullopt : ModeLabel(field.front());
}

std::string COperatingMode::SetModeSeconds(const std::string& field,
                                           const InstrumentSettingsSnapshot& settings) {
    const char letter = m_strModeField.empty() ? '\0' : m_strModeField.front();
    // In Manual mode the instrument measures until told otherwise: its seconds mean nothing.
    if (settings.m_nMode == kManualMode && letter == kMeasuring) {
        m_nModeCount = 0;
        return {};
    }
    m_nModeCount = Seconds(ParseDecimal(field));
    return field;
}

COperatingMode::TickResult COperatingMode::Tick(const InstrumentSettingsSnapshot& settings) {
    TickResult result;
    if (m_nModeCount == 0) {
        return result;
    }
    --m_nModeCount;
    result.counted = true;
    result.shown = m_nModeCount;
    if (m_nModeCount > 0 || m_strModeField.empty()) {
        return result;
    }
    const std::int64_t blank = ParseDecimal(settings.m_strBlankTime);
    const std::int64_t zero = ParseDecimal(settings.m_strZeroTime);
    switch (m_strModeField.front()) {
        case kMeasuring:
            m_nModeCount = Seconds(blank);
            m_chModeAfterBlanking = kZeroing;
            result.label = ModeLabel(kBlanking);
            break;
        case kZeroing:
            m_nModeCount = Seconds(blank);
            m_chModeAfterBlanking = kMeasuring;
            result.label = ModeLabel(kBlanking);
            break;
        case kBlanking:
            if (m_chModeAfterBlanking == kMeasuring) {
                const std::int64_t autoZero = ParseDecimal(settings.m_strAutoZeroPeriod);
                const std::int64_t averaging = ParseDecimal(settings.m_strAveragingTime);
                m_nModeCount = Seconds(autoZero - averaging - zero - blank);
                result.label = ModeLabel(kMeasuring);
            } else if (m_chModeAfterBlanking == kZeroing) {
                m_nModeCount = Seconds(zero);
                result.label = ModeLabel(kZeroing);
            }
            break;
        default:
            break;
    }
    return result;
}
