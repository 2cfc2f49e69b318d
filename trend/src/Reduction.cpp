// Min/max reduction per pixel column and the typical record spacing that decides what is a gap.
#include "trend/Reduction.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kBreak = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kStepSamples = 1000;

// Appends a point, first a break when it is a gap away from the last point appended.
void Emit(ReducedSeries& out, double time, double value, double& lastTime, double gapSeconds) {
    if (!out.time.empty() && time - lastTime > gapSeconds && !std::isnan(out.value.back())) {
        out.time.push_back(lastTime);
        out.value.push_back(kBreak);
    }
    out.time.push_back(time);
    out.value.push_back(value);
    lastTime = time;
}

}  // namespace

ReducedSeries ReduceToColumns(const std::vector<double>& times, const std::vector<double>& values, double t0,
                              double t1, std::size_t columns, double gapSeconds) {
    ReducedSeries out;
    if (times.empty() || columns == 0 || !(t1 > t0)) return out;
    std::size_t first = static_cast<std::size_t>(std::lower_bound(times.begin(), times.end(), t0) - times.begin());
    std::size_t last = static_cast<std::size_t>(std::upper_bound(times.begin(), times.end(), t1) - times.begin());
    if (first > 0) --first;
    if (last < times.size()) ++last;
    out.time.reserve(std::min(last - first, 2 * columns + 8) + 8);
    out.value.reserve(out.time.capacity());

    const double width = (t1 - t0) / static_cast<double>(columns);
    double lastTime = 0;
    std::size_t row = first;
    while (row < last) {
        // One column: the rows up to its right edge. Missing values break the line at once.
        const double column = std::floor((times[row] - t0) / width);
        const double edge = t0 + (column + 1) * width;
        std::size_t low = row, high = row;
        std::size_t end = row;
        for (; end < last && (end == row || times[end] < edge); ++end) {
            if (std::isnan(values[end])) break;
            if (values[end] < values[low]) low = end;
            if (values[end] > values[high]) high = end;
        }
        if (end == row) {  // a missing value
            if (!out.time.empty() && !std::isnan(out.value.back())) {
                out.time.push_back(times[row]);
                out.value.push_back(kBreak);
            }
            row = end + 1;
            continue;
        }
        const std::size_t a = std::min(low, high), b = std::max(low, high);
        Emit(out, times[a], values[a], lastTime, gapSeconds);
        if (b != a) Emit(out, times[b], values[b], lastTime, gapSeconds);
        // The column's last row, so a gap to the next column is measured from it.
        lastTime = times[end - 1];
        row = end;
    }
    return out;
}

double TypicalStep(const std::vector<double>& times) {
    if (times.size() < 2) return 0;
    const std::size_t stride = std::max<std::size_t>(1, (times.size() - 1) / kStepSamples);
    std::vector<double> steps;
    for (std::size_t i = stride; i < times.size(); i += stride) steps.push_back(times[i] - times[i - 1]);
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}
