// Hints that a value may be wrong, found without touching the logs: back scatter above total
// scatter at the same wavelength, a negative value, a value unchanged for an hour or more.
#pragma once

#include <string>
#include <vector>

#include "trend/TrendData.h"

enum class MarkKind { BackAboveTotal, Negative, Stuck };

// One stretch of rows of one column that share a mark; single rows have start == end.
struct PlausibilityMark {
    MarkKind kind;
    bool aux = false;        // the column is one of the Y table's, else one of the D table's
    std::size_t column = 0;  // for BackAboveTotal, the back scatter column
    double start = 0;
    double end = 0;
};

inline constexpr double kStuckSeconds = 3600;

// The marks of the rows with t0 <= time <= t1. A stuck stretch is given whole, though it may reach
// beyond the window. Marks of one kind and column closer than joinSeconds are joined into one.
std::vector<PlausibilityMark> FindPlausibilityMarks(const TrendData& data, double t0, double t1,
                                                    double joinSeconds);

// "Back scatter above total (Blue)" and the like, for hover texts.
std::string DescribeMark(const PlausibilityMark& mark);
