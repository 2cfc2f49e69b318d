// The benchmark's table: one row per figure, with its ratio to the machine's own ceiling measured in
// the same run, and the helpers every section uses to fill it.
#pragma once

#include <string>
#include <vector>

struct BenchRow {
    std::string what;
    std::string result;
    std::string ratio;  // the figure against its ceiling, or "-" where none applies
    std::string target;
};
using BenchTable = std::vector<BenchRow>;

// snprintf with up to three numbers.
std::string Format(const char* format, double a, double b = 0, double c = 0);
// The p-th percentile (0-100) of the values, nearest rank; 0 for none.
double Percentile(std::vector<double> values, double p);
// "0.42 x" style ratio of a figure to its ceiling; "-" when the ceiling is unknown.
std::string Ratio(double figure, double ceiling);
// Appends the rows of one section.
void AddRows(BenchTable& table, const BenchTable& rows);
// The Markdown table on standard output.
void PrintTable(const BenchTable& table);
