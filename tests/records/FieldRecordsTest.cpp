// The decimal rule, the D, Y, Z and photon records (fields as far as the line goes) and the status
// word's faults. How the status word's hex text is read, the records fuzzer judges.
#include <gtest/gtest.h>

#include <climits>

#include "records/Records.h"
#include "records/Status.h"

namespace {

using Fields = std::vector<std::string>;

TEST(DecimalRule, ReadsSignedNumbersAndSaturatesAtThe32BitLimits) {
    // The sign must touch the digits.
    const std::pair<const char*, std::int32_t> rows[] = {
        {"", 0},        {"abc", 0},  {" \t\r\n42", 42}, {"+17", 17}, {"-17", -17},
        {"12.75", 12},  {"007x", 7}, {"- 5", 0},        {"--5", 0},
        {"2147483647", INT_MAX},  {"2147483648", INT_MAX}, {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN}, {"-99999999999999999999", INT_MIN},
        {"0000000000000000000000012", 12}};
    for (const auto& [text, value] : rows) EXPECT_EQ(ParseDecimal(text), value) << '"' << text << '"';
}

// The records fuzzer judges other splits against the rule; these are the lines it cannot judge (which
// lines are ignored, where the body begins, an empty last field) and one whole line of each record.
TEST(FieldRecords, FieldsStopAtTheFirstMissingCommaAndTheLastIsTheRestOfTheLine) {
    const struct {
        FieldRecord (*parse)(std::string_view);
        const char* line;
        Fields fields;
        bool whole;
    } rows[] = {
        {ParseDataRecord, "", {}, false},
        {ParseDataRecord, "ERROR", {}, false},
        {ParseDataRecord, "D,N,9,a,b,c,d,e", {"N", "9", "a", "b", "c", "d"}, false},
        {ParseDataRecord, "D,N,9,a,b,c,d,e,", {"N", "9", "a", "b", "c", "d", "e", ""}, true},
        {ParseDataRecord, "D,N,9,a,b,c,d,e,f,g", {"N", "9", "a", "b", "c", "d", "e", "f,g"}, true},
        {ParseDataRecord, "DXN,,", {"N", ""}, false},  // the character after the letter is dropped unseen
        {ParseAuxRecord, "Y,0,1,2,3,4,5,6,7,01FF,x", {"0", "1", "2", "3", "4", "5", "6", "7", "01FF,x"}, true},
        {ParseZeroRecord, "Z,1,2,3,4,5,6,7,8,9,10", {"1", "2", "3", "4", "5", "6", "7", "8", "9,10"}, true},
    };
    for (const auto& row : rows) {
        const FieldRecord record = row.parse(row.line);
        EXPECT_EQ(record.fields, row.fields) << row.line;
        EXPECT_EQ(record.whole, row.whole) << row.line;
    }
}

TEST(FieldRecords, PhotonRecordGivesPressureAndTemperatureOnlyWhenWhole) {
    EXPECT_FALSE(ParsePhotonRecord("B,1,2,3,4,5,6,7,8,1013"));
    EXPECT_FALSE(ParsePhotonRecord("ERROR"));
    const std::optional<PhotonRecord> record = ParsePhotonRecord("R,1,2,3,4,5,6,7,8,1013,295.5,x");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->pressure, "1013");
    EXPECT_EQ(record->sampleTemperature, "295.5,x");
}

TEST(StatusWord, OnlyTheLowNineBitsAreFaultsAndTheyAreNamedInBitOrder) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {0x000, ""},
        {0x001, "Lamp"},
        {0x00A, "Valve, Shutter"},
        {0x100, "Humid"},
        {0x200, ""},
        {0x201, "Lamp"},
        {0x1FF, "Lamp, Valve, Chopper, Shutter, Heater, Press, S-Temp, I-Temp, Humid"}};
    for (const auto& [word, faults] : rows) {
        const bool fault = *faults != '\0';
        EXPECT_EQ(FormatStatusText(word), faults) << word;
        EXPECT_EQ(HasFaultBits(word), fault) << word;
        EXPECT_EQ(StatusEditText(StatusOutputsFor(word)), fault ? faults : "Okay") << word;
    }
}

}  // namespace
