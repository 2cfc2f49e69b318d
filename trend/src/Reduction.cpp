// Min/max reduction per pixel column and the typical record spacing that decides what is a gap.
#include "trend/Reduction.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kBreak = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kStepSamples = 1000;

void Push(ReducedSeries& out, double time, double value) {
    out.time.push_back(time);
    out.value.push_back(value);
}

// A NaN point, unless the line is already broken there.
void Break(ReducedSeries& out, double time) {
    if (!out.time.empty() && !std::isnan(out.value.back())) Push(out, time, kBreak);
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
    std::size_t row = first;
    while (row < last) {
        if (std::isnan(values[row])) {  // a missing value breaks the line
            Break(out, times[row]);
            ++row;
            continue;
        }
        // One column: the rows up to its right edge, a missing value or a gap in time.
        const double edge = t0 + (std::floor((times[row] - t0) / width) + 1) * width;
        std::size_t low = row, high = row, end = row + 1;
        for (; end < last && times[end] < edge && !std::isnan(values[end]) &&
               times[end] - times[end - 1] <= gapSeconds;
             ++end) {
            if (values[end] < values[low]) low = end;
            if (values[end] > values[high]) high = end;
        }
        const std::size_t a = std::min(low, high), b = std::max(low, high);
        Push(out, times[a], values[a]);
        if (b != a) Push(out, times[b], values[b]);
        if (end < last && times[end] - times[end - 1] > gapSeconds) Break(out, times[end - 1]);
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
