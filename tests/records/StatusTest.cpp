// The status word: the fault list and the text shown for it. How the hex text is read, the records
// fuzzer judges against the C library's reading.
#include <gtest/gtest.h>

#include "records/Status.h"

namespace {

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
