// The instrument's record lines (without their CR): T, D, Y, Z and the photon records B, G and R,
// in the field layouts the program's parsers expect.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/InstrumentClock.h"

// Blue, Green, Red.
using Triple = std::array<double, 3>;

struct ScatterValues {
    Triple total;        // total scattering coefficients, inverse megametres
    Triple backscatter;  // backscatter coefficients, inverse megametres
};

struct AuxValues {
    std::uint32_t measurement;  // averaging periods since the instrument started
    double pressure;            // mbar
    double sampleTemperature;   // K
    double inletTemperature;    // K
    double humidity;            // percent
    double lampVoltage;         // V
    double lampCurrent;         // A
    double analogInput;         // V
    std::uint16_t statusWord;
};

struct ZeroValues {
    Triple total;        // last zero total scattering, inverse megametres
    Triple backscatter;  // last zero backscatter, inverse megametres
    Triple rayleigh;     // Rayleigh scattering of air at the zero's pressure and temperature
};

struct PhotonCounts {
    std::array<std::uint32_t, 8> counts;  // measure, reference and dark counts of one wavelength
    double pressure;                      // mbar
    double sampleTemperature;             // K
};

// "T,yyyy,mm,dd,hh,mm,ss"
std::string FormatTimeRecord(const CalendarTime& time);
// "D,<mode letter>,<seconds left>,<3 total>,<3 backscatter>"
std::string FormatDataRecord(char mode, std::uint32_t secondsLeft, const ScatterValues& values);
// "D,<mode letter>,<seconds left>,<n>,<n>,<n>,<n>,<n>,<n>": a burst record numbered n.
std::string FormatNumberedDataRecord(char mode, std::uint32_t secondsLeft, std::uint64_t number);
// "Y,<measurement>,<pressure>,<sample T>,<inlet T>,<RH>,<lamp V>,<lamp A>,<analog V>,<status hex4>"
std::string FormatAuxRecord(const AuxValues& values);
// "Z,<3 total>,<3 backscatter>,<3 Rayleigh>"
std::string FormatZeroRecord(const ZeroValues& values);
// "<B|G|R>,<8 counts>,<pressure>,<sample T>"
std::string FormatPhotonRecord(char letter, const PhotonCounts& counts);
