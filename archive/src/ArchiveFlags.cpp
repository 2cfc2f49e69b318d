// Flags from the mode letter, the humidity, the status word's fault bits and missing data.
#include "ArchiveFlags.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr double kHumidityLimit = 40.0;  // %
// Fault bits of the status word: lamp, valve, chopper, shutter and heater are the instrument's mechanics;
// pressure, sample and inlet temperature and humidity are its sensors out of range.
constexpr std::int32_t kMechanicalFaults = 0x01F;
constexpr std::int32_t kSensorFaults = 0x1E0;

}  // namespace

std::vector<int> FlagsOf(const ArchiveRow& row, bool scatterMissing) {
    std::vector<int> flags;
    if (row.humidity && *row.humidity > kHumidityLimit) flags.push_back(kFlagHumidityAbove40);
    if (row.statusWord && (*row.statusWord & kSensorFaults) != 0) flags.push_back(kFlagSamplingAnomaly);
    // Zeroing and the blanking around it: the chamber holds filtered air or the outputs hold still.
    if (row.mode == 'Z' || row.mode == 'B') flags.push_back(kFlagZeroCheck);
    if (row.statusWord && (*row.statusWord & kMechanicalFaults) != 0) flags.push_back(kFlagMechanical);
    if (scatterMissing) flags.push_back(kFlagMissing);
    std::sort(flags.begin(), flags.end());
    return flags;
}

std::string FlagText(const std::vector<int>& flags, int digits) {
    std::string text = "0.";
    for (const int flag : flags) {
        char code[8];
        std::snprintf(code, sizeof code, "%03d", flag);
        text += code;
    }
    text.resize(2 + static_cast<std::size_t>(digits), '0');
    return text;
}
