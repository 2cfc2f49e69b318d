// The T record: all-or-nothing range checks, the last data time text and the local instrument time.
#include <gtest/gtest.h>

#include <cstdlib>

#include "records/Records.h"

namespace {

class TimeRecordTest : public ::testing::Test {
protected:
    // Central European time with its daylight-saving rule, spelled out so no zone database is needed.
    void SetUp() override {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }

    static std::time_t Utc(int year, int month, int day, int hour, int minute, int second) {
        std::tm calendar{second, minute, hour, day, month - 1, year - 1900, 0, 0, 0, 0, nullptr};
        return timegm(&calendar);
    }
    static std::optional<std::time_t> TimeOf(const char* line) {
        const std::optional<TimeRecord> record = ParseTimeRecord(line);
        EXPECT_TRUE(record) << line;
        return record ? record->instrumentTime : std::nullopt;
    }
};

TEST_F(TimeRecordTest, EveryRangeCheckAtItsEdges) {
    // The day is not checked against the month.
    for (const char* line :
         {"T,2005,09,20,14,30,07", "T,9999,12,31,23,59,59", "T,0,1,1,0,0,0", "T,2005,02,31,12,00,00"}) {
        EXPECT_TRUE(ParseTimeRecord(line)) << line;
    }
    // One step outside each range, values that wrap into range as 16-bit numbers, too few fields
    // and ignored lines.
    for (const char* line :
         {"T,10000,1,1,0,0,0", "T,-1,1,1,0,0,0", "T,2005,0,1,0,0,0", "T,2005,13,1,0,0,0", "T,2005,1,0,0,0,0",
          "T,2005,1,32,0,0,0", "T,2005,1,1,24,0,0", "T,2005,1,1,-1,0,0", "T,2005,1,1,0,60,0",
          "T,2005,1,1,0,0,60", "T,2005,1,1,0,0,-1", "T,67541,1,1,0,0,0", "T,2005,-65535,1,0,0,0",
          "T,2005,1,1,0,0,99999999999999999999", "T,2005,02,01,12,00", "", "ERROR", "WriteComm"}) {
        EXPECT_FALSE(ParseTimeRecord(line)) << line;
    }
}

TEST_F(TimeRecordTest, FieldsAreKeptAsReceivedAndValuesFollowTheDecimalRule) {
    const std::optional<TimeRecord> record = ParseTimeRecord("T,2005, 9,20x,+14,30,07,extra");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fields, (std::array<std::string, 6>{"2005", " 9", "20x", "+14", "30", "07,extra"}));
    EXPECT_EQ(record->values, (std::array<std::uint16_t, 6>{2005, 9, 20, 14, 30, 7}));
    // The last data time text is made of the field texts, with the year's last two characters.
    EXPECT_EQ(record->lastDataTimeText, "05- 9-20x +14:30:07,extra");
    EXPECT_EQ(ParseTimeRecord("T,5,9,20,14,30,7").value().lastDataTimeText, "5-9-20 14:30:7");
}

TEST_F(TimeRecordTest, InstrumentTimeIsLocalTimeWithDaylightSaving) {
    // Summer and winter offsets.
    EXPECT_EQ(TimeOf("T,2005,09,20,14,30,07"), Utc(2005, 9, 20, 12, 30, 7));
    EXPECT_EQ(TimeOf("T,2005,01,20,14,30,07"), Utc(2005, 1, 20, 13, 30, 7));
    // The one local second whose calendar time is -1 is still a time.
    EXPECT_EQ(TimeOf("T,1970,01,01,00,59,59"), -1);
    // A year before 1970 (an unset clock's two-digit year) is a valid record without a time.
    for (const char* line : {"T,05,09,20,14,30,07", "T,0,1,1,0,0,0", "T,1969,12,31,23,59,59"}) {
        EXPECT_EQ(TimeOf(line), std::nullopt) << line;
    }
}

}  // namespace
