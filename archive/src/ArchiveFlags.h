// The archive's flags of one row: which of its codes the row's records call for, and the numflag text.
// Used by the file formatter.
#pragma once

#include <string>
#include <vector>

#include "archive/RowAssembler.h"

// The archive's flag codes used here.
inline constexpr int kFlagHumidityAbove40 = 640;  // valid: instrument-internal humidity above 40 %
inline constexpr int kFlagSamplingAnomaly = 659;  // invalid: a sensor out of range
inline constexpr int kFlagZeroCheck = 682;        // invalid: calibration or zero/span check
inline constexpr int kFlagMechanical = 699;       // invalid: mechanical problem
inline constexpr int kFlagMissing = 999;          // missing, unspecified

// The flags, ascending. scatterMissing: a scatter value of the row is missing.
std::vector<int> FlagsOf(const ArchiveRow& row, bool scatterMissing);

// "0." then the flags, three digits each, padded with zeros to digits decimals: "0.640682000".
std::string FlagText(const std::vector<int>& flags, int digits);
