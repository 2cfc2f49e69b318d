// The status word: reading the hex text, the fault list and the outputs shown for it.
#include <gtest/gtest.h>

#include "records/Status.h"

namespace {

TEST(StatusWord, ReadsHexDigitsUpToTheFirstOtherCharacter) {
    const std::pair<const char*, std::int32_t> rows[] = {
        {"", 0},
        {"0001", 0x1},
        {"01ff", 0x1FF},
        {"aBcD", 0xABCD},
        {"0001\r", 0x1},  // a trailing CR or blank adds no digit
        {"0001 ", 0x1},
        {" 0001", 0x1},  // leading blanks are skipped
        {"00G1", 0},
        {"0001,0002", 0x1},
        {"-1", 0},
        {"FFFFFFFF", -1},
        {"FFFFFFFF00000003", 0x3},  // digits beyond eight shift the oldest out
    };
    for (const auto& [text, word] : rows) EXPECT_EQ(ParseStatusWord(text), word) << '"' << text << '"';
}

TEST(StatusWord, OnlyTheLowNineBitsAreFaultsNamedInOrderAndTurnTheOutputsRed) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {0x000, ""},
        {0x001, "Lamp"},
        {0x00A, "Valve, Shutter"},
        {0x100, "Humid"},
        {0x200, ""},
        {0x201, "Lamp"},
        {0x1FF, "Lamp, Valve, Chopper, Shutter, Heater, Press, S-Temp, I-Temp, Humid"}};
    for (const auto& [word, faults] : rows) {
        const bool red = *faults != '\0';
        const StatusOutputs outputs = StatusOutputsFor(word);
        EXPECT_EQ(FormatStatusText(word), faults) << word;
        EXPECT_EQ(HasFaultBits(word), red) << word;
        EXPECT_EQ(outputs.faults, red) << word;
        EXPECT_EQ(StatusEditText(outputs), red ? faults : "Okay") << word;
    }
}

}  // namespace
