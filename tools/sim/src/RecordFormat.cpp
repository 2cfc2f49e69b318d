// Formatting of the instrument's record lines.
#include "sim/RecordFormat.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

}  // namespace

std::string FormatTimeRecord(const CalendarTime& t) {
    return Format("T,%04d,%02d,%02d,%02d,%02d,%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string FormatDataRecord(char mode, std::uint32_t secondsLeft, const ScatterValues& v) {
    return Format("D,%c,%u,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f", mode, secondsLeft, v.total[0], v.total[1],
                  v.total[2], v.backscatter[0], v.backscatter[1], v.backscatter[2]);
}

std::string FormatNumberedDataRecord(char mode, std::uint32_t secondsLeft, std::uint64_t n) {
    const unsigned long long number = n;
    return Format("D,%c,%u,%llu,%llu,%llu,%llu,%llu,%llu", mode, secondsLeft, number, number, number, number,
                  number, number);
}

std::string FormatAuxRecord(const AuxValues& v) {
    return Format("Y,%u,%.1f,%.1f,%.1f,%.1f,%.2f,%.2f,%.3f,%04X", v.measurement, v.pressure,
                  v.sampleTemperature, v.inletTemperature, v.humidity, v.lampVoltage, v.lampCurrent,
                  v.analogInput, static_cast<unsigned>(v.statusWord));
}

std::string FormatZeroRecord(const ZeroValues& v) {
    return Format("Z,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f", v.total[0], v.total[1], v.total[2],
                  v.backscatter[0], v.backscatter[1], v.backscatter[2], v.rayleigh[0], v.rayleigh[1],
                  v.rayleigh[2]);
}

std::string FormatPhotonRecord(char letter, const PhotonCounts& p) {
    const auto& c = p.counts;
    return Format("%c,%u,%u,%u,%u,%u,%u,%u,%u,%.1f,%.1f", letter, c[0], c[1], c[2], c[3], c[4], c[5], c[6],
                  c[7], p.pressure, p.sampleTemperature);
}
