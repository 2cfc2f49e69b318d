// corvane-export run as a program: the files of a period from log files, lines that cannot be used named
// by file and line, and its exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// The text after the column-title line.
std::string DataRows(const std::string& text) {
    return text.substr(text.find('\n', text.find("start_time ")) + 1);
}

class Export : public ::testing::Test {
protected:
    ProgramResult RunExport(std::vector<std::string> arguments, const char* timeZone = "UTC0") const {
        arguments.insert(
            arguments.begin(),
            {CORVANE_EXPORT, "--station", TestData("data/station.conf").string(), "--out", Out().string()});
        return RunProgram(arguments, {std::string("TZ=") + timeZone});
    }
    std::filesystem::path Out() const { return m_folder.Path() / "out"; }

    TempFolder m_folder;
};

TEST_F(Export, AnHourFromALogMatchesTheHandWrittenFileAndNamesTheLineItCouldNotUse) {
    const std::string log = TestData("golden/hour-5mn.dat").string();
    const ProgramResult result = RunExport({"--from", "2026-12-01T13", "--to", "2026-12-01T14", log});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.err, HasSubstr(log + ":16: D record field 4 \"bad\" is not a number"));
    EXPECT_THAT(result.out, HasSubstr("averaging time 300 s"));
    ASSERT_THAT(FileNames(Out()), ElementsAre(::testing::StartsWith("NO0042R.20261201130000.")));
    EXPECT_EQ(DataRows(ReadText(Out() / FileNames(Out())[0])),
              DataRows(ReadText(TestData("golden/hour-5mn.nas"))));
}

TEST_F(Export, ADayFileHoldsTheDayAndALogThatCannotBeReadIsReported) {
    UseTimeZone(kCentralEurope);
    std::string log;
    for (std::time_t t = Utc("2026-11-30 23:10"); t <= Utc("2026-12-02 01:00"); t += 600)
        for (const std::string& line : RecordSet(t)) log += line + "\r\n";
    WriteText(m_folder.Path() / "CV261201.dat", log);
    const ProgramResult result =
        RunExport({"--period", "day", "--from", "2026-12-01T00", "--to", "2026-12-02T00",
                   (m_folder.Path() / "CV261201.dat").string(), (m_folder.Path() / "CV261202.dat").string()},
                  kCentralEurope);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.err, HasSubstr("CV261202.dat: cannot be read (No such file or directory)"));
    ASSERT_THAT(FileNames(Out()), ElementsAre(HasSubstr(".pm10.1d.10mn.")));
    const NasaAmesFile day = ReadNasaAmes(ReadText(Out() / FileNames(Out())[0]));
    EXPECT_EQ(day.problems, std::vector<std::string>());
    EXPECT_EQ(day.rows.size(), 144u);
}

TEST_F(Export, BadUsageWritesNothingAndEndsWithStatus2) {
    WriteText(m_folder.Path() / "bad.conf", "station_code = X\n");
    const std::string log = TestData("golden/hour-5mn.dat").string();
    const std::vector<std::vector<std::string>> usages = {
        {log},
        {"--from", "2026-12-02T00", "--to", "2026-12-01T00", log},
        {"--from", "2026-02-30T00", "--to", "2026-12-01T00", log},
        {"--from", "2026-12-01T00", "--to", "2026-12-02T00", "--period", "week", log},
        {"--from", "2026-12-01T05", "--to", "2026-12-02T00", "--period", "day", log},
        {"--from", "2026-12-01T00", "--to", "2026-12-02T00"},
        {"--from", "2026-12-01T00", "--to", "2026-12-02T00", "--station",
         (m_folder.Path() / "bad.conf").string(), log},
    };
    for (const std::vector<std::string>& usage : usages) {
        const ProgramResult result = RunExport(usage);
        EXPECT_EQ(result.exitStatus, 2) << ::testing::PrintToString(usage);
        EXPECT_THAT(result.err, HasSubstr("corvane-export: ")) << ::testing::PrintToString(usage);
    }
    EXPECT_TRUE(FileNames(Out()).empty());
}

}  // namespace
