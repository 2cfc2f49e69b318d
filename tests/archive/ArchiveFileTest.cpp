// Record lines to rows (what the time record dates, what cannot be dated or read, the hour that occurs twice
// when the clocks go back) and to the archive's files, matched byte for byte against files written by hand
// from the archive's rules; and the test's own reader shown to catch the faults it is there to catch.
#include <gtest/gtest.h>

#include <regex>

#include "ArchiveTestSupport.h"
#include "archive/ArchiveFile.h"

namespace {

// The log's lines, without their line ends.
std::vector<std::string> Lines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Golden {
    const char* name;
    const char* timeZone;
    const char* hour;      // UTC
    int averaging;         // s
    const char* revision;  // UTC
    const char* fileName;
    std::size_t problems;  // lines of the log that cannot be used in full
};

class GoldenFile : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenFile, IsWrittenByteForByteAndReadsBackClean) {
    const Golden& golden = GetParam();
    UseTimeZone(golden.timeZone);
    const Converted converted =
        Convert(Lines(ReadText(TestData(std::string("golden/") + golden.name + ".dat"))));
    EXPECT_EQ(converted.problems.size(), golden.problems);

    const ArchivePeriod period{Utc(golden.hour), kHour, std::chrono::seconds(golden.averaging)};
    const ArchiveFile file = FormatArchiveFile(TestStation(), period, Utc(golden.revision), converted.rows);
    const std::string expected = ReadText(TestData(std::string("golden/") + golden.name + ".nas"));
    EXPECT_EQ(file.name, golden.fileName);
    EXPECT_EQ(file.text, expected);
    EXPECT_EQ(ReadNasaAmes(expected).problems, std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    Archive, GoldenFile,
    ::testing::Values(
        // Five-minute averages in 1/m: a blanking and a zeroing row, humidity just at and above 40 %, a lamp
        // and a sample temperature fault, a value that is not a number and one too large for its column, a
        // row without its Y record, and a zero record before the first time and one in the middle.
        Golden{"hour-5mn", "UTC0", "2026-12-01 13:00", 300, "2026-12-01 14:02:03",
               "NO0042R.20261201130000.20261201140203.nephelometer.aerosol_light_scattering_coefficient.pm10."
               "1h.5mn.NO01L_Brantel_7830_NO42.NO01L_scat_coef_lev0.lev0.nas",
               1},
        // The last UTC hour of a year, in local time an hour later; a row with four flags widens the flag
        // column; no zero record yet.
        Golden{"year-end", kCentralEurope, "2026-12-31 23:00", 60, "2027-01-01 00:07",
               "NO0042R.20261231230000.20270101000700.nephelometer.aerosol_light_scattering_coefficient.pm10."
               "1h.1mn.NO01L_Brantel_7830_NO42.NO01L_scat_coef_lev0.lev0.nas",
               0}),
    [](const auto& info) { return std::regex_replace(info.param.name, std::regex("-"), "_"); });

// Each fault planted in a sound file must be found by the reader.
TEST(NasaAmesReader, FindsEachPlantedFault) {
    const std::string sound = ReadText(TestData("golden/hour-5mn.nas"));
    const std::string firstRow = "334.541667  334.545139  1013.20  295.30  293.80   38.50      0    20.340";
    const std::pair<std::string, std::string> faults[] = {
        {"67 1001", "66 1001"},                                // line 1's count
        {"9999.999999 99999.99", "9999.999999 99999.98"},      // a missing code not all nines
        {" 0.640682000", ""},                                  // a row one column short
        {"   20.340", "120000.340"},                           // a value wider than its column's format
        {"    9.810", "     9.81"},                            // other decimals than its column's
        {"0.640682000", "0.682640000"},                        // flags out of order
        {"0.659699000", "0.000699000"},                        // a flag after an empty place
        {firstRow, "334.441667" + firstRow.substr(10)},        // a start time before the hour
        {"334.562500", "334.600000"},                          // an end time after the hour
        {"334.548611  334.552083", "334.541667  334.552083"},  // start times that do not increase
    };
    for (const auto& [from, to] : faults) {
        std::string broken = sound;
        const std::size_t at = broken.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        EXPECT_FALSE(ReadNasaAmes(broken.replace(at, from.size(), to)).problems.empty())
            << from << " -> " << to;
    }
}

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
