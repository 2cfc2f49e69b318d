// The status word: reading the hex text, the fault list and the outputs shown for it.
#include <gtest/gtest.h>

#include "records/Status.h"

namespace {

TEST(StatusWord, ReadsHexDigitsUpToTheFirstOtherCharacter) {
    const struct {
        const char* text;
        std::int32_t word;
    } rows[] = {
        {"", 0},
        {"0000", 0},
        {"0001", 0x1},
        {"01FF", 0x1FF},
        {"01ff", 0x1FF},
        {"aBcD", 0xABCD},
        {"0200", 0x200},
        {"0001\r", 0x1},  // a trailing CR or blank adds no digit
        {"0001 ", 0x1},
        {" 0001", 0x1},  // leading blanks are skipped
        {"00G1", 0},     // reading stops at the first non-hex character
        {"0001,0002", 0x1},
        {"-1", 0},
        {"FFFFFFFF", -1},
        {"123456789", 0x23456789},  // digits beyond eight shift the oldest out
        {"FFFFFFFF00000003", 0x3},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseStatusWord(row.text), row.word) << '"' << row.text << '"';
    }
}

TEST(StatusWord, FaultListNamesTheSetBitsInOrderWithoutTrailingComma) {
    EXPECT_EQ(FormatStatusText(0x000), "");
    EXPECT_EQ(FormatStatusText(0x001), "Lamp");
    EXPECT_EQ(FormatStatusText(0x00A), "Valve, Shutter");
    EXPECT_EQ(FormatStatusText(0x009), "Lamp, Shutter");
    EXPECT_EQ(FormatStatusText(0x1FF), "Lamp, Valve, Chopper, Shutter, Heater, Press, S-Temp, I-Temp, Humid");
    EXPECT_EQ(FormatStatusText(0x200), "");
    EXPECT_EQ(FormatStatusText(-1), FormatStatusText(0x1FF));
}

TEST(StatusWord, OnlyTheLowNineBitsTurnTheOutputsRed) {
    for (std::int32_t word : {0x000, 0x001, 0x100, 0x200, 0x201, 0x7FFFFE00, -1}) {
        const bool faults = (word & 0x1FF) != 0;
        const StatusOutputs outputs = StatusOutputsFor(word);
        EXPECT_EQ(HasFaultBits(word), faults) << word;
        EXPECT_EQ(outputs.faults, faults) << word;
        EXPECT_EQ(outputs.lightIcon, faults ? kIconRedDisc : kIconGreenDisc) << word;
        EXPECT_EQ(outputs.windowIcon, faults ? kIconRedLamp : kIconApplication) << word;
        EXPECT_EQ(StatusEditText(outputs), faults ? FormatStatusText(word) : "Okay") << word;
    }
}

}  // namespace
