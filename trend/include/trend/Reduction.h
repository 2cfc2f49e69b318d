// Thinning a series for drawing: per pixel column only the smallest and the largest value, so a
// week of one-second records draws as fast as an hour and no extreme is lost.
#pragma once

#include <cstddef>
#include <vector>

struct ReducedSeries {
    std::vector<double> time;
    std::vector<double> value;  // NaN breaks the line (a gap in time or a missing value)
};

// The points of (times, values) with t0 <= time <= t1, plus the nearest point on either side so the
// line reaches the edges, reduced to each column's minimum and maximum in time order for `columns`
// equal columns. Two neighbours further apart than gapSeconds are separated by a NaN.
ReducedSeries ReduceToColumns(const std::vector<double>& times, const std::vector<double>& values, double t0,
                              double t1, std::size_t columns, double gapSeconds);

// The usual spacing of the times (the median of up to a thousand spacings taken across them), 0
// for fewer than two times.
double TypicalStep(const std::vector<double>& times);
