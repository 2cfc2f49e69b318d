// The status word: reading the hex text, the fault list and the text shown for it.
#include <gtest/gtest.h>

#include "records/Status.h"

namespace {

TEST(StatusWord, ReadsHexDigitsUpToTheFirstOtherCharacter) {
    // A trailing CR or blank adds no digit; leading blanks are skipped; digits beyond eight shift
    // the oldest out.
    const std::pair<const char*, std::int32_t> rows[] = {
        {"", 0},          {"0001", 0x1},  {"01ff", 0x1FF},     {"aBcD", 0xABCD}, {"0001\r", 0x1},
        {"0001 ", 0x1},   {" 0001", 0x1}, {"00G1", 0},         {"0001,0002", 0x1}, {"-1", 0},
        {"FFFFFFFF", -1}, {"FFFFFFFF00000003", 0x3}};
    for (const auto& [text, word] : rows) EXPECT_EQ(ParseStatusWord(text), word) << '"' << text << '"';
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
