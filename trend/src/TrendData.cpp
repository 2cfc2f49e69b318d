// Sorted tables of the plotted values: adding in time order, dropping records seen twice, merging,
// forgetting old rows of a run.
#include "trend/TrendData.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::array<std::string_view, kScatterColumns> kScatterNames = {
    "Total Blue", "Total Green", "Total Red", "Back Blue", "Back Green", "Back Red"};
constexpr std::array<std::string_view, kAuxColumns> kAuxNames = {"Inlet Pressure", "Sample Temp", "Inlet Temp",
                                                                 "Rel Humidity"};

}  // namespace

std::string_view ScatterColumnName(std::size_t column) {
    return kScatterNames.at(column);
}

std::string_view AuxColumnName(std::size_t column) {
    return kAuxNames.at(column);
}

template <std::size_t Columns>
typename TrendTable<Columns>::Values TrendTable<Columns>::RowValues(std::size_t row) const {
    Values values;
    for (std::size_t c = 0; c < Columns; ++c) values[c] = m_values[c][row];
    return values;
}

template <std::size_t Columns>
bool TrendTable<Columns>::RowHolds(std::size_t row, const Values& values, std::uint16_t flag) const {
    if (m_flag[row] != flag) return false;
    for (std::size_t c = 0; c < Columns; ++c) {
        const double held = m_values[c][row];
        if (held != values[c] && !(std::isnan(held) && std::isnan(values[c]))) return false;
    }
    return true;
}

template <std::size_t Columns>
bool TrendTable<Columns>::Add(double time, const Values& values, std::uint16_t flag) {
    // The usual case, a newer record, appends; an older one goes after the rows of its time unless
    // one of them is the same record.
    if (m_time.empty() || time > m_time.back()) {
        Insert(m_time.size(), time, values, flag, false);
        return true;
    }
    const auto [first, last] = std::equal_range(m_time.begin(), m_time.end(), time);
    const auto end = static_cast<std::size_t>(last - m_time.begin());
    for (auto row = static_cast<std::size_t>(first - m_time.begin()); row < end; ++row)
        if (RowHolds(row, values, flag)) return false;
    Insert(end, time, values, flag, false);
    return true;
}

template <std::size_t Columns>
void TrendTable<Columns>::Insert(std::size_t row, double time, const Values& values, std::uint16_t flag,
                                 bool absorbed) {
    const auto offset = static_cast<std::ptrdiff_t>(row);
    m_time.insert(m_time.begin() + offset, time);
    for (std::size_t c = 0; c < Columns; ++c) m_values[c].insert(m_values[c].begin() + offset, values[c]);
    m_flag.insert(m_flag.begin() + offset, flag);
    m_absorbed.insert(m_absorbed.begin() + offset, absorbed);
}

template <std::size_t Columns>
void TrendTable<Columns>::Absorb(const TrendTable& other) {
    if (other.Empty()) return;
    if (Empty()) {
        *this = other;
        m_absorbed.assign(Size(), true);
        return;
    }
    // Merge both sorted tables a time at a time: this table's rows of the time, then the other's rows
    // of it that this one does not hold.
    TrendTable merged;
    merged.Reserve(Size() + other.Size());
    std::size_t a = 0, b = 0;
    while (a < Size() || b < other.Size()) {
        const double time =
            b == other.Size() || (a < Size() && m_time[a] < other.m_time[b]) ? m_time[a] : other.m_time[b];
        const std::size_t heldFrom = merged.Size();
        for (; a < Size() && m_time[a] == time; ++a)
            merged.Insert(merged.Size(), time, RowValues(a), m_flag[a], m_absorbed[a]);
        const std::size_t heldTo = merged.Size();
        for (; b < other.Size() && other.m_time[b] == time; ++b) {
            const Values values = other.RowValues(b);
            std::size_t row = heldFrom;
            while (row < heldTo && !merged.RowHolds(row, values, other.m_flag[b])) ++row;
            if (row < heldTo)
                merged.m_absorbed[row] = true;
            else
                merged.Insert(merged.Size(), time, values, other.m_flag[b], true);
        }
    }
    *this = std::move(merged);
}

template <std::size_t Columns>
bool TrendTable<Columns>::ForgetAddedBefore(double time) {
    const auto end =
        static_cast<std::size_t>(std::lower_bound(m_time.begin(), m_time.end(), time) - m_time.begin());
    // The rows before `end` that stay move to the front, in order; the rest of that stretch goes.
    std::size_t kept = 0;
    for (std::size_t row = 0; row < end; ++row) {
        if (!m_absorbed[row]) continue;
        m_time[kept] = m_time[row];
        for (auto& column : m_values) column[kept] = column[row];
        m_flag[kept] = m_flag[row];
        m_absorbed[kept] = true;
        ++kept;
    }
    if (kept == end) return false;
    const auto from = static_cast<std::ptrdiff_t>(kept), to = static_cast<std::ptrdiff_t>(end);
    m_time.erase(m_time.begin() + from, m_time.begin() + to);
    for (auto& column : m_values) column.erase(column.begin() + from, column.begin() + to);
    m_flag.erase(m_flag.begin() + from, m_flag.begin() + to);
    m_absorbed.erase(m_absorbed.begin() + from, m_absorbed.begin() + to);
    return true;
}

template <std::size_t Columns>
std::pair<std::size_t, std::size_t> TrendTable<Columns>::Rows(double t0, double t1) const {
    const auto first = std::lower_bound(m_time.begin(), m_time.end(), t0);
    const auto last = std::upper_bound(first, m_time.end(), t1);
    return {static_cast<std::size_t>(first - m_time.begin()), static_cast<std::size_t>(last - m_time.begin())};
}

template <std::size_t Columns>
void TrendTable<Columns>::Reserve(std::size_t rows) {
    m_time.reserve(rows);
    for (auto& column : m_values) column.reserve(rows);
    m_flag.reserve(rows);
    m_absorbed.reserve(rows);
}

template class TrendTable<kScatterColumns>;
template class TrendTable<kAuxColumns>;

void TrendData::AddZeroRecord(double time) {
    const auto at = std::lower_bound(zeroRecords.begin(), zeroRecords.end(), time);
    if (at == zeroRecords.end() || *at != time) zeroRecords.insert(at, time);
}

void TrendData::Absorb(const TrendData& other) {
    scatter.Absorb(other.scatter);
    aux.Absorb(other.aux);
    for (const double time : other.zeroRecords) AddZeroRecord(time);
}

double TrendData::Newest() const {
    double newest = 0;
    if (!scatter.Empty()) newest = std::max(newest, scatter.Times().back());
    if (!aux.Empty()) newest = std::max(newest, aux.Times().back());
    if (!zeroRecords.empty()) newest = std::max(newest, zeroRecords.back());
    return newest;
}

double TrendData::Oldest() const {
    double oldest = 0;
    auto consider = [&oldest](const std::vector<double>& times) {
        if (!times.empty() && (oldest == 0 || times.front() < oldest)) oldest = times.front();
    };
    consider(scatter.Times());
    consider(aux.Times());
    consider(zeroRecords);
    return oldest;
}
