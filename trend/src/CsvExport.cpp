// CSV export of the D and Y tables on one time axis.
#include "trend/CsvExport.h"

#include <charconv>
#include <cmath>
#include <ctime>

namespace {

template <std::size_t Columns>
void WriteCells(std::ostream& out, const TrendTable<Columns>* table, std::size_t row) {
    for (std::size_t c = 0; c < Columns; ++c) {
        out << ',';
        if (!table) continue;
        const double value = table->Value(row, c);
        if (std::isnan(value)) continue;
        char text[32];
        const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
        out.write(text, result.ptr - text);
    }
}

}  // namespace

std::string IsoLocalTime(double time) {
    const auto seconds = static_cast<std::time_t>(std::floor(time));
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    // strftime gives +0100; ISO-8601 extended form wants +01:00.
    const std::string_view iso(text);
    const std::size_t minutes = iso.size() - 2;
    return std::string(iso.substr(0, minutes)) + ":" + std::string(iso.substr(minutes));
}

void WriteCsv(std::ostream& out, const TrendData& data, double t0, double t1) {
    out << "time";
    for (std::size_t c = 0; c < kScatterColumns; ++c) out << ',' << ScatterColumnName(c);
    for (std::size_t c = 0; c < kAuxColumns; ++c) out << ',' << AuxColumnName(c);
    out << "\r\n";
    auto [d, dEnd] = data.scatter.Rows(t0, t1);
    auto [y, yEnd] = data.aux.Rows(t0, t1);
    while (d < dEnd || y < yEnd) {
        const double dTime = d < dEnd ? data.scatter.Time(d) : INFINITY;
        const double yTime = y < yEnd ? data.aux.Time(y) : INFINITY;
        const double time = std::min(dTime, yTime);
        out << IsoLocalTime(time);
        WriteCells(out, dTime == time ? &data.scatter : nullptr, d);
        WriteCells(out, yTime == time ? &data.aux : nullptr, y);
        out << "\r\n";
        if (dTime == time) ++d;
        if (yTime == time) ++y;
    }
}
