// Sorted tables of the plotted values: adding in time order, dropping records seen twice, merging.
#include "trend/TrendData.h"

#include <algorithm>

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
bool TrendTable<Columns>::Add(double time, const Values& values, std::uint16_t flag) {
    // The usual case, a newer record, appends; an older one goes to its place unless its time is held.
    if (m_time.empty() || time > m_time.back()) {
        Insert(m_time.size(), time, values, flag);
        return true;
    }
    const auto at = std::lower_bound(m_time.begin(), m_time.end(), time);
    if (at != m_time.end() && *at == time) return false;
    Insert(static_cast<std::size_t>(at - m_time.begin()), time, values, flag);
    return true;
}

template <std::size_t Columns>
void TrendTable<Columns>::Insert(std::size_t row, double time, const Values& values, std::uint16_t flag) {
    const auto offset = static_cast<std::ptrdiff_t>(row);
    m_time.insert(m_time.begin() + offset, time);
    for (std::size_t c = 0; c < Columns; ++c) m_values[c].insert(m_values[c].begin() + offset, values[c]);
    m_flag.insert(m_flag.begin() + offset, flag);
}

template <std::size_t Columns>
void TrendTable<Columns>::Absorb(const TrendTable& other) {
    if (other.Empty()) return;
    if (Empty()) {
        *this = other;
        return;
    }
    // Merge both sorted tables row by row; on equal times the row already held wins.
    TrendTable merged;
    merged.Reserve(Size() + other.Size());
    std::size_t a = 0, b = 0;
    auto take = [&merged](const TrendTable& from, std::size_t row) {
        Values values;
        for (std::size_t c = 0; c < Columns; ++c) values[c] = from.m_values[c][row];
        merged.Insert(merged.Size(), from.m_time[row], values, from.m_flag[row]);
    };
    while (a < Size() || b < other.Size()) {
        if (b == other.Size() || (a < Size() && m_time[a] <= other.m_time[b])) {
            if (b < other.Size() && m_time[a] == other.m_time[b]) ++b;
            take(*this, a++);
        } else {
            take(other, b++);
        }
    }
    *this = std::move(merged);
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
