// Behaviour and measured values of the simulated nephelometer.
#include "sim/InstrumentModel.h"

#include <algorithm>

namespace {

// Typical total scattering of a clean continental air mass, inverse megametres (Blue, Green, Red).
constexpr Triple kTypicalScatter = {42.0, 30.0, 19.0};
constexpr double kBackscatterFraction = 0.12;
// Rayleigh scattering of air at 273.15 K and 1013.25 mbar, inverse megametres.
constexpr Triple kRayleighAtStp = {29.9, 13.4, 5.0};
// Scattering of the chamber walls seen during a zero.
constexpr Triple kWallScatter = {1.5, 1.0, 0.8};
constexpr Triple kWallBackscatter = {1.0, 0.7, 0.5};
// After a long stall (a suspended process) the instrument skips ahead rather than replaying
// more than this many seconds.
constexpr std::int64_t kMaxCatchUpSeconds = 100000;

}  // namespace

InstrumentModel::InstrumentModel(const InstrumentConfig& config, std::int64_t clockStart, double clockRate,
                                 std::uint16_t statusWord, TimePoint now, std::uint32_t seed)
    : m_config(config),
      m_clock(clockStart, clockRate, now),
      m_nSecond(clockStart),
      m_cycle(config),
      m_random(seed) {
    m_aux = {0, 1013.2, 295.0, 294.2, 38.0, 12.0, 6.1, 0.0, statusWord};
    Measure();
    TakeZero();
}

bool InstrumentModel::ChangeSetting(Setting setting, std::uint32_t value) {
    const std::uint32_t previous = m_config.Get(setting);
    if (!m_config.Set(setting, value)) return false;
    // The program sends every setting on each apply; only a real change of mode restarts measuring.
    if (setting == Setting::Mode && value != previous) m_cycle.OnModeSettingChanged(m_config);
    return true;
}

void InstrumentModel::SetClock(const CalendarTime& time, TimePoint now) {
    m_nSecond = ToCalendarSeconds(time);
    m_clock.Set(m_nSecond, now);
}

double InstrumentModel::Noise(double spread) const {
    return std::normal_distribution<double>(0.0, spread)(m_random);
}

std::vector<InstrumentModel::RecordSet> InstrumentModel::Advance(TimePoint now) {
    std::vector<RecordSet> sets;
    const std::int64_t target = m_clock.SecondAt(now);
    m_nSecond = std::max(m_nSecond, target - kMaxCatchUpSeconds);
    while (m_nSecond < target) {
        ++m_nSecond;
        m_dAerosol = std::clamp(m_dAerosol + Noise(0.005), 0.3, 3.0);
        const bool zeroEnded = m_cycle.Advance(m_config);
        if (zeroEnded) TakeZero();
        if (m_nSecond % m_config.Get(Setting::AveragingTime) == 0) {
            Measure();
            if (m_bUnpolled) sets.push_back(UnpolledSet());
        }
        if (zeroEnded && m_bUnpolled && m_config.IsOn(Setting::ZeroRecords)) sets.push_back({ZeroRecord()});
    }
    return sets;
}

void InstrumentModel::Measure() {
    // While zeroing the chamber holds filtered air; while blanking the output holds the last values.
    if (m_cycle.Mode() == 'N') {
        for (std::size_t i = 0; i < 3; ++i) {
            m_scatter.total[i] = kTypicalScatter[i] * m_dAerosol + Noise(0.3);
            m_scatter.backscatter[i] = kTypicalScatter[i] * m_dAerosol * kBackscatterFraction + Noise(0.1);
        }
    } else if (m_cycle.Mode() == 'Z') {
        for (std::size_t i = 0; i < 3; ++i) {
            m_scatter.total[i] = Noise(0.3);
            m_scatter.backscatter[i] = Noise(0.1);
        }
    }
    if (!m_config.IsOn(Setting::Backscatter)) m_scatter.backscatter = {};
    ++m_aux.measurement;
    m_aux.pressure = std::clamp(m_aux.pressure + Noise(0.05), 990.0, 1030.0);
    m_aux.sampleTemperature = 295.0 + Noise(0.2);
    m_aux.inletTemperature = 294.2 + Noise(0.2);
    m_aux.humidity = std::clamp(m_aux.humidity + Noise(0.2), 15.0, 70.0);
    m_aux.lampVoltage = 12.0 + Noise(0.01);
    m_aux.lampCurrent = 6.1 + Noise(0.01);
    m_aux.analogInput = std::max(0.0, Noise(0.002));
}

void InstrumentModel::TakeZero() {
    const double density = (m_aux.pressure / 1013.25) * (273.15 / m_aux.sampleTemperature);
    for (std::size_t i = 0; i < 3; ++i) {
        m_zero.rayleigh[i] = kRayleighAtStp[i] * density;
        m_zero.total[i] = m_zero.rayleigh[i] + kWallScatter[i] + Noise(0.1);
        m_zero.backscatter[i] = m_zero.rayleigh[i] / 2 + kWallBackscatter[i] + Noise(0.05);
    }
}

PhotonCounts InstrumentModel::PhotonCountsFor(std::size_t colour) const {
    const double signal = m_scatter.total[colour] + m_zero.total[colour];
    const auto count = [this](double mean) {
        return static_cast<std::uint32_t>(std::max(0.0, mean + Noise(mean * 0.002)));
    };
    return {{count(20000.0 * signal), count(3.0e6), count(2500.0), count(8000.0 * signal), count(2.9e6),
             count(2400.0), count(1.0e6), count(1200.0)},
            m_aux.pressure,
            m_aux.sampleTemperature};
}

InstrumentModel::RecordSet InstrumentModel::UnpolledSet() const {
    RecordSet set;
    if (m_config.IsOn(Setting::TimeRecords)) set.push_back(TimeRecord());
    if (m_config.IsOn(Setting::DataRecords)) set.push_back(DataRecord());
    if (m_config.IsOn(Setting::PhotonRecords)) {
        set.push_back(FormatPhotonRecord('B', PhotonCountsFor(0)));
        set.push_back(FormatPhotonRecord('G', PhotonCountsFor(1)));
        set.push_back(FormatPhotonRecord('R', PhotonCountsFor(2)));
    }
    if (m_config.IsOn(Setting::AuxRecords)) set.push_back(AuxRecord());
    return set;
}

std::string InstrumentModel::TimeRecord() const {
    return FormatTimeRecord(FromCalendarSeconds(m_nSecond));
}

std::string InstrumentModel::DataRecord() const {
    return FormatDataRecord(m_cycle.Mode(), m_cycle.SecondsLeft(), m_scatter);
}

std::string InstrumentModel::AuxRecord() const {
    return FormatAuxRecord(m_aux);
}

std::string InstrumentModel::ZeroRecord() const {
    return FormatZeroRecord(m_zero);
}
