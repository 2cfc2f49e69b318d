// Formatting and printing of the benchmark's table.
#include "BenchTable.h"

#include <algorithm>
#include <cstdio>

std::string Format(const char* format, double a, double b, double c) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

std::string Ratio(double figure, double ceiling) {
    return ceiling > 0 ? Format("%.3g x", figure / ceiling) : "-";
}

void AddRows(BenchTable& table, const BenchTable& rows) {
    table.insert(table.end(), rows.begin(), rows.end());
}

void PrintTable(const BenchTable& table) {
    std::printf("| Measurement | Result | Ratio to ceiling | Target |\n|---|---|---|---|\n");
    for (const BenchRow& row : table)
        std::printf("| %s | %s | %s | %s |\n", row.what.c_str(), row.result.c_str(), row.ratio.c_str(),
                    row.target.c_str());
    std::fflush(stdout);
}
