// Scanning the shown rows for back scatter above total, negative values and stuck values.
#include "trend/Plausibility.h"

#include <cmath>

namespace {

constexpr std::size_t kWavelengths = 3;

// Collects marks of one kind and column, joining a row to the last stretch when it is close enough.
class MarkCollector {
public:
    MarkCollector(std::vector<PlausibilityMark>& out, MarkKind kind, bool aux, std::size_t column, double join)
        : m_out(out), m_kind(kind), m_aux(aux), m_column(column), m_join(join) {}
    void Mark(double start, double end) {
        if (m_open && start - m_out.back().end <= m_join) {
            m_out.back().end = std::max(m_out.back().end, end);
            return;
        }
        m_out.push_back({m_kind, m_aux, m_column, start, end});
        m_open = true;
    }

private:
    std::vector<PlausibilityMark>& m_out;
    MarkKind m_kind;
    bool m_aux;
    std::size_t m_column;
    double m_join;
    bool m_open = false;
};

// While the instrument zeroes or blanks it measures filtered air: values near zero, negative and back
// above total are what it should send then, so those rows are not judged.
bool Measuring(const TrendTable<kScatterColumns>& scatter, std::size_t row) {
    return scatter.Flag(row) != 'Z' && scatter.Flag(row) != 'B';
}

template <std::size_t Columns, typename Judged>
void NegativeAndStuck(const TrendTable<Columns>& table, bool aux, double t0, double t1, double join,
                      Judged judged, std::vector<PlausibilityMark>& out) {
    // Look an hour beyond both edges, so a window shorter than an hour sees the stretch it lies in.
    const auto [first, last] = table.Rows(t0 - kStuckSeconds, t1 + kStuckSeconds);
    for (std::size_t c = 0; c < Columns; ++c) {
        MarkCollector negative(out, MarkKind::Negative, aux, c, join);
        MarkCollector stuck(out, MarkKind::Stuck, aux, c, join);
        std::size_t runStart = first;
        for (std::size_t row = first; row < last; ++row) {
            const double value = table.Value(row, c);
            if (value < 0 && judged(row) && table.Time(row) >= t0 && table.Time(row) <= t1)
                negative.Mark(table.Time(row), table.Time(row));
            const bool runEnds = row + 1 == last || table.Value(row + 1, c) != value;
            if (!runEnds) continue;
            if (!std::isnan(value) && table.Time(row) - table.Time(runStart) >= kStuckSeconds &&
                table.Time(row) >= t0 && table.Time(runStart) <= t1)
                stuck.Mark(table.Time(runStart), table.Time(row));
            runStart = row + 1;
        }
    }
}

}  // namespace

std::vector<PlausibilityMark> FindPlausibilityMarks(const TrendData& data, double t0, double t1,
                                                    double joinSeconds) {
    std::vector<PlausibilityMark> marks;
    const auto& scatter = data.scatter;
    const auto [first, last] = scatter.Rows(t0, t1);
    for (std::size_t w = 0; w < kWavelengths; ++w) {
        const std::size_t back = w + kWavelengths;
        MarkCollector above(marks, MarkKind::BackAboveTotal, false, back, joinSeconds);
        for (std::size_t row = first; row < last; ++row)
            if (Measuring(scatter, row) && scatter.Value(row, back) > scatter.Value(row, w))
                above.Mark(scatter.Time(row), scatter.Time(row));
    }
    NegativeAndStuck(scatter, false, t0, t1, joinSeconds, [&](std::size_t row) { return Measuring(scatter, row); },
                     marks);
    NegativeAndStuck(data.aux, true, t0, t1, joinSeconds, [](std::size_t) { return true; }, marks);
    return marks;
}

std::string DescribeMark(const PlausibilityMark& mark) {
    const std::string column(mark.aux ? AuxColumnName(mark.column) : ScatterColumnName(mark.column));
    switch (mark.kind) {
        case MarkKind::BackAboveTotal:
            return "Back scatter above total scatter (" + column.substr(column.find(' ') + 1) + ")";
        case MarkKind::Negative:
            return "Negative value (" + column + ")";
        case MarkKind::Stuck:
            return "Unchanged for an hour or more (" + column + ")";
    }
    return {};
}
