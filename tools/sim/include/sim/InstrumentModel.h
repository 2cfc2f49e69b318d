// The simulated nephelometer: its configuration, clock, operating-mode cycle and measured values,
// and the unpolled records it sends as its clock runs. Pure logic: the caller passes the real time.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sim/InstrumentClock.h"
#include "sim/InstrumentConfig.h"
#include "sim/ModeCycle.h"
#include "sim/RecordFormat.h"

class InstrumentModel {
public:
    using TimePoint = InstrumentClock::TimePoint;
    // The records sent at one moment, in sending order.
    using RecordSet = std::vector<std::string>;

    InstrumentModel(const InstrumentConfig& config, std::int64_t clockStart, double clockRate,
                    std::uint16_t statusWord, TimePoint now, std::uint32_t seed);

    const InstrumentConfig& Config() const { return m_config; }
    // Applies a set command's value; false when the value is out of range.
    bool ChangeSetting(Setting setting, std::uint32_t value);
    void SetClock(const CalendarTime& time, TimePoint now);
    const ModeCycle& Cycle() const { return m_cycle; }
    void StartZero() { m_cycle.StartZero(m_config); }
    bool IsUnpolled() const { return m_bUnpolled; }
    void SetUnpolled(bool bOn) { m_bUnpolled = bOn; }

    // Runs the instrument up to now, one instrument second at a time. Returns the unpolled records
    // sent on the way: at every averaging period the switched-on T, D, B, G, R and Y records, and
    // a Z record when a zero period ends.
    std::vector<RecordSet> Advance(TimePoint now);
    // The real moment at which the next instrument second begins.
    TimePoint NextSecondStart() const { return m_clock.StartOf(m_nSecond + 1); }

    // Polled records, as of the last Advance.
    std::string TimeRecord() const;
    std::string DataRecord() const;
    std::string AuxRecord() const;
    std::string ZeroRecord() const;

private:
    void Measure();
    void TakeZero();
    RecordSet UnpolledSet() const;
    PhotonCounts PhotonCountsFor(std::size_t colour) const;
    double Noise(double spread) const;

    InstrumentConfig m_config;
    InstrumentClock m_clock;
    std::int64_t m_nSecond;  // the instrument second reached by Advance
    ModeCycle m_cycle;
    bool m_bUnpolled = false;

    mutable std::mt19937 m_random;
    double m_dAerosol = 1.0;  // slowly wandering aerosol load, a factor on the typical coefficients
    ScatterValues m_scatter{};
    AuxValues m_aux{};
    ZeroValues m_zero{};
};
