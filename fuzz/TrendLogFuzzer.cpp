// Fuzzes the Trend's log-file reader, which reads whatever files lie in the log folder: any bytes
// must read without harm into sorted tables whose columns all have one row per time, with at most
// one problem per line, and the same file read again must add nothing.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>

#include "FuzzCheck.h"
#include "trend/LogHistory.h"

namespace {

template <std::size_t Columns>
void CheckTable(const TrendTable<Columns>& table) {
    FUZZ_CHECK(std::is_sorted(table.Times().begin(), table.Times().end()));
    for (std::size_t c = 0; c < Columns; ++c) FUZZ_CHECK(table.Column(c).size() == table.Size());
}

std::size_t RowsOf(const TrendData& data) {
    return data.scatter.Size() + data.aux.Size() + data.zeroRecords.size();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A zone with summer time, so that the hour the clocks skip is read too.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    TrendData data;
    CLogProblems problems;
    std::istringstream in(text);
    ReadLog(in, "fuzz.dat", data, problems);

    CheckTable(data.scatter);
    CheckTable(data.aux);
    FUZZ_CHECK(std::adjacent_find(data.zeroRecords.begin(), data.zeroRecords.end(),
                                  [](double a, double b) { return a >= b; }) == data.zeroRecords.end());
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                              (text.empty() || text.back() == '\n' ? 0 : 1);
    FUZZ_CHECK(problems.Count() <= lines);
    for (const LogProblem& problem : problems.Kept()) FUZZ_CHECK(problem.line >= 1 && problem.line <= lines);

    const std::size_t rows = RowsOf(data);
    std::istringstream again(text);
    ReadLog(again, "fuzz.dat", data, problems);
    FUZZ_CHECK(RowsOf(data) == rows);
    return 0;
}
