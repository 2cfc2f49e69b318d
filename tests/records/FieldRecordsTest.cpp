// Field cutting, the decimal rule and the D, Y, Z and photon records.
#include <gtest/gtest.h>

#include <climits>

#include "records/Records.h"

namespace {

using Fields = std::vector<std::string>;

TEST(DecimalRule, ReadsSignedNumbersAndSaturatesAtThe32BitLimits) {
    const struct {
        const char* text;
        std::int32_t value;
    } rows[] = {
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+", 0},
        {" \t\r\n42", 42},
        {"+17", 17},
        {"-17", -17},
        {"12.75", 12},
        {"007x", 7},
        {"- 5", 0},  // the sign must touch the digits
        {"--5", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999999999999999", INT_MIN},
        {"00000000000000000000000000000000000000000012", 12},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseDecimal(row.text), row.value) << '"' << row.text << '"';
    }
}

TEST(RecordLines, BodyDropsTheFirstTwoCharactersUnseen) {
    EXPECT_EQ(RecordBody(""), "");
    EXPECT_EQ(RecordBody("D"), "");
    EXPECT_EQ(RecordBody("D,"), "");
    EXPECT_EQ(RecordBody("DX1,2"), "1,2");
}

TEST(RecordLines, OnlyEmptyAndExactErrorAreIgnored) {
    EXPECT_TRUE(IsIgnoredLine(""));
    EXPECT_TRUE(IsIgnoredLine("ERROR"));
    EXPECT_FALSE(IsIgnoredLine("error"));
    EXPECT_FALSE(IsIgnoredLine("ERROR "));
    EXPECT_FALSE(IsIgnoredLine("ERRORS"));
}

TEST(RecordLines, RecordLettersAreTheSevenKindsOnly) {
    for (char c : std::string_view("DTBGRYZ")) {
        EXPECT_TRUE(IsRecordLetter(c)) << c;
    }
    for (char c : std::string_view("dtAXE,\r", 7)) {
        EXPECT_FALSE(IsRecordLetter(c)) << int(c);
    }
    EXPECT_FALSE(IsRecordLetter('\0'));
}

TEST(SplitFields, StopsAtTheFirstMissingCommaAndKeepsTheRestWhole) {
    EXPECT_EQ(SplitFields("", 3), Fields{});
    EXPECT_EQ(SplitFields("a", 3), Fields{});
    EXPECT_EQ(SplitFields("a,", 3), Fields{"a"});
    EXPECT_EQ(SplitFields("a,b", 3), Fields{"a"});
    EXPECT_EQ(SplitFields("a,b,", 3), (Fields{"a", "b", ""}));
    EXPECT_EQ(SplitFields(",,", 3), (Fields{"", "", ""}));
    EXPECT_EQ(SplitFields("a,b,c,d,e", 3), (Fields{"a", "b", "c,d,e"}));
    EXPECT_EQ(SplitFields("a,b", 1), Fields{"a,b"});
    EXPECT_EQ(SplitFields("a,b", 0), Fields{});
}

TEST(DataRecord, DeliversTheFieldsFoundInOrder) {
    const struct {
        const char* line;
        std::size_t found;
        bool whole;
    } rows[] = {
        {"", 0, false},
        {"ERROR", 0, false},
        {"error", 0, false},
        {"WriteComm", 0, false},
        {"D", 0, false},
        {"D,N", 0, false},
        {"D,N,", 1, false},
        {"D,N,100", 1, false},
        {"D,N,100,1.1,2.2,3.3,4.4,5.5", 6, false},
        {"D,N,100,1.1,2.2,3.3,4.4,5.5,", 8, true},
        {"D,N,100,1.1,2.2,3.3,4.4,5.5,6.6", 8, true},
    };
    for (const auto& row : rows) {
        const FieldRecord record = ParseDataRecord(row.line);
        EXPECT_EQ(record.fields.size(), row.found) << row.line;
        EXPECT_EQ(record.whole, row.whole) << row.line;
    }
}

TEST(DataRecord, LastFieldIsTheRestOfTheLineCommasIncluded) {
    const FieldRecord record = ParseDataRecord("D,N,100,1.1,2.2,3.3,4.4,5.5,6.6,7.7");
    ASSERT_TRUE(record.whole);
    EXPECT_EQ(record.fields, (Fields{"N", "100", "1.1", "2.2", "3.3", "4.4", "5.5", "6.6,7.7"}));
}

TEST(AuxRecord, SevenCommasGiveValuesButNoStatusWord) {
    const FieldRecord partial = ParseAuxRecord("Y,0,1013,295.1,296.2,45,a,b,c");
    EXPECT_FALSE(partial.whole);
    EXPECT_EQ(partial.fields, (Fields{"0", "1013", "295.1", "296.2", "45", "a", "b"}));

    const FieldRecord whole = ParseAuxRecord("Y,0,1013,295.1,296.2,45,a,b,c,0001,x");
    EXPECT_TRUE(whole.whole);
    EXPECT_EQ(whole.fields.back(), "0001,x");
}

TEST(ZeroRecord, WholeAtEightCommas) {
    EXPECT_FALSE(ParseZeroRecord("Z,1,2,3,4,5,6,7,8").whole);
    const FieldRecord record = ParseZeroRecord("Z,1,2,3,4,5,6,7,8,9,10");
    EXPECT_TRUE(record.whole);
    EXPECT_EQ(record.fields, (Fields{"1", "2", "3", "4", "5", "6", "7", "8", "9,10"}));
}

TEST(PhotonRecord, OnlyAWholeRecordGivesPressureAndTemperature) {
    EXPECT_FALSE(ParsePhotonRecord("B,1,2,3,4,5,6,7,8,1013"));
    EXPECT_FALSE(ParsePhotonRecord("ERROR"));
    const std::optional<PhotonRecord> record = ParsePhotonRecord("R,1,2,3,4,5,6,7,8,1013,295.5,x");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->pressure, "1013");
    EXPECT_EQ(record->sampleTemperature, "295.5,x");
}

}  // namespace
