// The value columns of the archive's nephelometer files, between the end time and the flags: their titles,
// descriptions and printed formats, and the values a row gives them. Used by the file formatter.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/RowAssembler.h"
#include "archive/StationConfig.h"

// Digits before and after the point. The missing-value code is all nines in this format, and the format
// is chosen so that it is at least ten times the largest value the column is expected to hold.
struct NumberFormat {
    int integerDigits;
    int decimals;
};

struct Column {
    std::string title;        // in the column-title line
    std::string description;  // variable, unit, then key=value parts
    NumberFormat format;
};

// Pressure, temperatures, humidity, status word, scatter and backscatter, then the zero values.
std::vector<Column> ValueColumns(const StationConfig& station);
// Where the six scatter columns (total, then back; Blue, Green, Red) start among the value columns.
inline constexpr std::size_t kFirstScatterColumn = 5;

// The row's value for each value column, scatter and zero values in 1/Mm; nothing where it has none.
std::vector<std::optional<double>> ValuesOf(const ArchiveRow& row, double coefficientFactor);

std::string MissingCode(NumberFormat format);
// The value as its column prints it; nothing when it does not fit the format below the missing code.
std::optional<std::string> Printed(double value, NumberFormat format);
