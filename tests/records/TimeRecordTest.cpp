// The T record: all-or-nothing range checks, the last data time text and the local instrument time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "records/Records.h"

namespace {

// Central European time with its daylight-saving rule, spelled out so no zone database is needed.
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

class TimeRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            m_strSavedTz = tz;
            m_bHadTz = true;
        }
        setenv("TZ", kBerlin, 1);
        tzset();
    }
    void TearDown() override {
        if (m_bHadTz) {
            setenv("TZ", m_strSavedTz.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    static std::time_t Utc(int year, int month, int day, int hour, int minute, int second) {
        std::tm calendar{};
        calendar.tm_year = year - 1900;
        calendar.tm_mon = month - 1;
        calendar.tm_mday = day;
        calendar.tm_hour = hour;
        calendar.tm_min = minute;
        calendar.tm_sec = second;
        return timegm(&calendar);
    }

private:
    std::string m_strSavedTz;
    bool m_bHadTz = false;
};

TEST_F(TimeRecordTest, EveryRangeCheckAtItsEdges) {
    const struct {
        const char* line;
        bool valid;
    } rows[] = {
        {"T,2005,09,20,14,30,07", true},
        {"T,9999,12,31,23,59,59", true},
        {"T,0,1,1,0,0,0", true},
        {"T,2005,02,31,12,00,00", true},  // the day is not checked against the month
        {"T,10000,1,1,0,0,0", false},
        {"T,-1,1,1,0,0,0", false},
        {"T,2005,0,1,0,0,0", false},
        {"T,2005,13,1,0,0,0", false},
        {"T,2005,1,0,0,0,0", false},
        {"T,2005,1,32,0,0,0", false},
        {"T,2005,1,1,24,0,0", false},
        {"T,2005,1,1,-1,0,0", false},
        {"T,2005,1,1,0,60,0", false},
        {"T,2005,1,1,0,0,60", false},
        {"T,2005,1,1,0,0,-1", false},
        // Values that wrap into range as 16-bit numbers are still out of range.
        {"T,67541,1,1,0,0,0", false},
        {"T,2005,-65535,1,0,0,0", false},
        {"T,2005,1,1,0,0,65536", false},
        {"T,2005,1,1,0,0,99999999999999999999", false},
        // Incomplete or ignored lines.
        {"T,2005,02,01,12,00", false},
        {"T", false},
        {"", false},
        {"ERROR", false},
        {"WriteComm", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseTimeRecord(row.line).has_value(), row.valid) << row.line;
    }
}

TEST_F(TimeRecordTest, FieldsAndValuesAreKeptAsReceivedAndByTheDecimalRule) {
    const std::optional<TimeRecord> record = ParseTimeRecord("T,2005, 9,20x,+14,30,07,extra");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fields, (std::array<std::string, 6>{"2005", " 9", "20x", "+14", "30", "07,extra"}));
    EXPECT_EQ(record->values, (std::array<std::uint16_t, 6>{2005, 9, 20, 14, 30, 7}));
}

TEST_F(TimeRecordTest, LastDataTimeTextUsesTheFieldTextsAndTheYearsLastTwoCharacters) {
    const struct {
        const char* line;
        const char* text;
    } rows[] = {
        {"T,2005,09,20,14,30,07", "05-09-20 14:30:07"},
        {"T,2005,9,20,14,30,7", "05-9-20 14:30:7"},
        {"T,5,9,20,14,30,7", "5-9-20 14:30:7"},
        {"T,05,09,20,14,30,07", "05-09-20 14:30:07"},
        {"T,2005,09,20,14,30,07,x", "05-09-20 14:30:07,x"},
    };
    for (const auto& row : rows) {
        const std::optional<TimeRecord> record = ParseTimeRecord(row.line);
        ASSERT_TRUE(record) << row.line;
        EXPECT_EQ(record->lastDataTimeText, row.text) << row.line;
    }
}

TEST_F(TimeRecordTest, InstrumentTimeIsLocalTimeWithDaylightSavingFromTheLibrary) {
    const auto timeOf = [](const char* line) {
        const std::optional<TimeRecord> record = ParseTimeRecord(line);
        EXPECT_TRUE(record && record->instrumentTime) << line;
        return record && record->instrumentTime ? *record->instrumentTime : std::time_t{0};
    };
    // Summer and winter offsets.
    EXPECT_EQ(timeOf("T,2005,09,20,14,30,07"), Utc(2005, 9, 20, 12, 30, 7));
    EXPECT_EQ(timeOf("T,2005,01,20,14,30,07"), Utc(2005, 1, 20, 13, 30, 7));
    // Clocks go forward at 02:00 on 28 March 2021: one second of real time across the jump.
    EXPECT_EQ(timeOf("T,2021,03,28,03,00,00") - timeOf("T,2021,03,28,01,59,59"), 1);
    // Clocks go back at 03:00 on 31 October 2021: 01:30 summer time to 03:30 winter time is 3 hours.
    EXPECT_EQ(timeOf("T,2021,10,31,03,30,00") - timeOf("T,2021,10,31,01,30,00"), 3 * 3600);
    // The day is not checked against the month: 31 February is 3 March.
    EXPECT_EQ(timeOf("T,2005,02,31,12,00,00"), timeOf("T,2005,03,03,12,00,00"));
    // The one local second whose calendar time is -1 is still a time.
    EXPECT_EQ(timeOf("T,1970,01,01,00,59,59"), -1);
    EXPECT_EQ(timeOf("T,9999,12,31,23,59,59"), Utc(9999, 12, 31, 22, 59, 59));
}

TEST_F(TimeRecordTest, YearBefore1970IsAValidRecordWithoutInstrumentTime) {
    for (const char* line : {"T,05,09,20,14,30,07", "T,0,1,1,0,0,0", "T,1969,12,31,23,59,59"}) {
        const std::optional<TimeRecord> record = ParseTimeRecord(line);
        ASSERT_TRUE(record) << line;
        EXPECT_FALSE(record->instrumentTime) << line;
        EXPECT_FALSE(record->lastDataTimeText.empty()) << line;
    }
}

}  // namespace
