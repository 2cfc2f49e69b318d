// The values the Trend view plots: the D record's six scattering coefficients and the Y record's
// four auxiliary values, each table sorted by the instrument's time, plus the times of the Z records.
// Plain C++, shared by the log reader and the live feed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

// Columns of the D table (scatter) and of the Y table (auxiliary), in the order of the records.
enum class ScatterColumn : std::size_t { TotalBlue, TotalGreen, TotalRed, BackBlue, BackGreen, BackRed };
enum class AuxColumn : std::size_t { Pressure, SampleTemperature, InletTemperature, Humidity };
inline constexpr std::size_t kScatterColumns = 6;
inline constexpr std::size_t kAuxColumns = 4;

// Names of the columns for legends and CSV headers.
std::string_view ScatterColumnName(std::size_t column);
std::string_view AuxColumnName(std::size_t column);

// Rows of one record kind: a time (seconds since the epoch), the values (NaN where the record
// stopped short or a field is not a number) and one flag (the D record's mode letter, the Y
// record's fault bits).
template <std::size_t Columns>
class TrendTable {
public:
    using Values = std::array<double, Columns>;

    std::size_t Size() const { return m_time.size(); }
    bool Empty() const { return m_time.empty(); }
    double Time(std::size_t row) const { return m_time[row]; }
    double Value(std::size_t row, std::size_t column) const { return m_values[column][row]; }
    std::uint16_t Flag(std::size_t row) const { return m_flag[row]; }
    const std::vector<double>& Times() const { return m_time; }
    const std::vector<double>& Column(std::size_t column) const { return m_values[column]; }

    // Adds a row in time order. A row equal to one held, time, values and flag, is the same record
    // seen twice (a log file holding what also arrived live) and is dropped: false. Distinct rows of
    // one time (an hour that a clock change gives twice) are all kept, in the order they came.
    bool Add(double time, const Values& values, std::uint16_t flag);
    // Takes every row of another table (rows read from a file), keeping time order and holding rows
    // that both tables have once. Rows taken this way are never forgotten.
    void Absorb(const TrendTable& other);
    // Forgets the rows older than `time` that were added one by one and never taken from a file;
    // true when there were any.
    bool ForgetAddedBefore(double time);
    // The rows with t0 <= time <= t1, as [first, last).
    std::pair<std::size_t, std::size_t> Rows(double t0, double t1) const;
    void Reserve(std::size_t rows);

private:
    Values RowValues(std::size_t row) const;
    bool RowHolds(std::size_t row, const Values& values, std::uint16_t flag) const;
    void Insert(std::size_t row, double time, const Values& values, std::uint16_t flag, bool absorbed);

    std::vector<double> m_time;
    std::array<std::vector<double>, Columns> m_values;
    std::vector<std::uint16_t> m_flag;
    std::vector<bool> m_absorbed;  // the row came from a file
};

struct TrendData {
    TrendTable<kScatterColumns> scatter;  // D records, flag = mode letter
    TrendTable<kAuxColumns> aux;          // Y records, flag = fault bits (0 when the word was missing)
    std::vector<double> zeroRecords;      // times of the Z records, sorted

    void AddZeroRecord(double time);
    void Absorb(const TrendData& other);
    bool Empty() const { return scatter.Empty() && aux.Empty() && zeroRecords.empty(); }
    // Newest time held in any table, 0 when empty.
    double Newest() const;
    double Oldest() const;
};

extern template class TrendTable<kScatterColumns>;
extern template class TrendTable<kAuxColumns>;
