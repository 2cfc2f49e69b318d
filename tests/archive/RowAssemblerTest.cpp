// Record lines to rows: what the time record dates, what cannot be dated or read, and the hour that occurs
// twice when the clocks go back.
#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"

namespace {

TEST(RowAssembler, RecordsWithoutATimeOfTheirOwnAreReportedAndLeftOut) {
    UseTimeZone("UTC0");
    const std::string t = "T,2026,12,01,13,05,00";
    const std::string d = "D,N,100,1,2,3,4,5,6";
    const std::string y = "Y,1,1010.5,295.2,294.1,30.0,12.00,6.10,0.001,0000";
    const struct {
        const char* what;
        std::vector<std::string> lines;
        std::size_t rows;
        std::size_t problems;
    } cases[] = {
        {"records before any time record", {d, y, t, d}, 1, 2},
        {"a second D record under one time", {t, d, d, y}, 1, 1},
        {"records after a time record out of range", {t, d, "T,2026,13,01,13,06,00", d, y}, 1, 3},
        {"a line of no record kind, among harmless ones", {t, d, "X,1,2", "B,1,2", "ERROR", ""}, 1, 1},
        {"the same time again: one period", {t, d, t, y}, 1, 0},
    };
    for (const auto& c : cases) {
        const Converted converted = Convert(c.lines);
        EXPECT_EQ(converted.rows.size(), c.rows) << c.what;
        EXPECT_EQ(converted.problems.size(), c.problems) << c.what;
    }
}

TEST(RowAssembler, TheHourThatOccursTwiceWhenTheClocksGoBackKeepsTimesIncreasing) {
    UseTimeZone(kCentralEurope);
    // 25 October 2026: 03:00 summer time becomes 02:00 winter time; the instrument's clock is set back with
    // it.
    std::vector<std::string> lines;
    for (const char* local : {"01,58", "01,59", "02,00", "02,59", "02,00", "02,01", "03,00"})
        for (const std::string& line :
             {std::string("T,2026,10,25,") + local + ",00", std::string("D,N,1,1,1,1,1,1,1")})
            lines.push_back(line);
    std::vector<std::time_t> ends;
    for (const ArchiveRow& row : Convert(lines).rows) ends.push_back(row.end);
    EXPECT_EQ(ends, (std::vector<std::time_t>{Utc("2026-10-24 23:58"), Utc("2026-10-24 23:59"),
                                              Utc("2026-10-25 00:00"), Utc("2026-10-25 00:59"),
                                              Utc("2026-10-25 01:00"), Utc("2026-10-25 01:01"),
                                              Utc("2026-10-25 02:00")}));
}

}  // namespace
