// The operating mode: labels, the mode-seconds rule and the countdown's expiry predictions.
#include <gtest/gtest.h>

#include "records/OperatingMode.h"

namespace {

const std::string kBlanking = "BLANKING mode for";
const std::string kMeasuring = "MEASURING mode for";
const std::string kZeroing = "ZEROING mode for";

InstrumentSettingsSnapshot Settings(std::uint16_t mode, const char* averaging, const char* blank,
                                    const char* zero, const char* autoZero) {
    InstrumentSettingsSnapshot settings;
    settings.m_nMode = mode;
    settings.m_strAveragingTime = averaging;
    settings.m_strBlankTime = blank;
    settings.m_strZeroTime = zero;
    settings.m_strAutoZeroPeriod = autoZero;
    return settings;
}

const InstrumentSettingsSnapshot kNormal = Settings(1, "60", "60", "300", "3600");

// Applies a D record's first two fields as the Data page does.
void ReceiveMode(COperatingMode& mode, const std::string& field, const std::string& seconds,
                 const InstrumentSettingsSnapshot& settings = kNormal) {
    mode.SetModeField(field);
    mode.SetModeSeconds(seconds, settings);
}

// Ticks until the countdown runs out; returns the tick result at expiry.
COperatingMode::TickResult RunOut(COperatingMode& mode,
                                  const InstrumentSettingsSnapshot& settings = kNormal) {
    for (;;) {
        const COperatingMode::TickResult result = mode.Tick(settings);
        EXPECT_TRUE(result.counted);
        if (!result.counted || result.shown == 0) {
            return result;
        }
    }
}

TEST(OperatingMode, ModeFieldSetsTheLabelOnlyForModeLetters) {
    COperatingMode mode;
    EXPECT_EQ(mode.SetModeField("N"), kMeasuring);
    EXPECT_EQ(mode.SetModeField("Bxyz"), kBlanking);
    EXPECT_EQ(mode.ModeField(), "Bxyz");
    EXPECT_EQ(mode.SetModeField("Z"), kZeroing);
    EXPECT_EQ(mode.SetModeField("n"), std::nullopt);
    EXPECT_EQ(mode.ModeField(), "n");
    EXPECT_EQ(mode.SetModeField(""), std::nullopt);
    EXPECT_EQ(mode.ModeField(), "");
}

TEST(OperatingMode, ManualMeasuringHidesTheSecondsAndDoesNotCount) {
    const InstrumentSettingsSnapshot manual = Settings(0, "60", "60", "300", "3600");
    COperatingMode mode;
    mode.SetModeField("N");
    EXPECT_EQ(mode.SetModeSeconds("120", manual), "");
    EXPECT_EQ(mode.ModeCount(), 0);
    EXPECT_FALSE(mode.Tick(manual).counted);

    // Other modes count in Manual as well, and measuring counts in Normal.
    mode.SetModeField("B");
    EXPECT_EQ(mode.SetModeSeconds("120", manual), "120");
    EXPECT_EQ(mode.ModeCount(), 120);
    mode.SetModeField("N");
    EXPECT_EQ(mode.SetModeSeconds("45 s", kNormal), "45 s");
    EXPECT_EQ(mode.ModeCount(), 45);
}

TEST(OperatingMode, BeforeSettingsAreLoadedTheSecondsAreShown) {
    COperatingMode mode;
    mode.SetModeField("N");
    EXPECT_EQ(mode.SetModeSeconds("120", InstrumentSettingsSnapshot{}), "120");
    EXPECT_EQ(mode.ModeCount(), 120);
}

TEST(OperatingMode, CountdownTakesValuesModulo65536) {
    COperatingMode mode;
    mode.SetModeField("B");
    mode.SetModeSeconds("70000", kNormal);
    EXPECT_EQ(mode.ModeCount(), 4464);
    mode.SetModeSeconds("-1", kNormal);
    EXPECT_EQ(mode.ModeCount(), 65535);
    mode.SetModeSeconds("x", kNormal);
    EXPECT_EQ(mode.ModeCount(), 0);
}

TEST(OperatingMode, TickShowsEachDecrementAndStopsAtZero) {
    COperatingMode mode;
    ReceiveMode(mode, "X", "2");
    COperatingMode::TickResult result = mode.Tick(kNormal);
    EXPECT_TRUE(result.counted);
    EXPECT_EQ(result.shown, 1);
    result = mode.Tick(kNormal);
    EXPECT_TRUE(result.counted);
    EXPECT_EQ(result.shown, 0);
    EXPECT_FALSE(result.label);  // no prediction for an unknown mode letter
    EXPECT_EQ(mode.ModeCount(), 0);
    EXPECT_FALSE(mode.Tick(kNormal).counted);
}

TEST(OperatingMode, MeasuringEndsInBlankingAgainAndAgainUntilTheNextRecord) {
    COperatingMode mode;
    ReceiveMode(mode, "N", "1");
    COperatingMode::TickResult result = mode.Tick(kNormal);
    EXPECT_EQ(result.shown, 0);  // the new count is not shown at the expiry tick
    EXPECT_EQ(result.label, kBlanking);
    EXPECT_EQ(mode.ModeCount(), 60);
    EXPECT_EQ(mode.ModeAfterBlanking(), 'Z');
    EXPECT_EQ(mode.Tick(kNormal).shown, 59);

    result = RunOut(mode);
    EXPECT_EQ(result.label, kBlanking);
    EXPECT_EQ(mode.ModeCount(), 60);
    EXPECT_EQ(mode.ModeField(), "N");
}

TEST(OperatingMode, BlankingFollowedByZeroingAfterStart) {
    COperatingMode mode;
    ReceiveMode(mode, "B", "3");
    EXPECT_EQ(RunOut(mode).label, kZeroing);
    EXPECT_EQ(mode.ModeCount(), 300);
}

TEST(OperatingMode, ZeroingEndsInBlankingThenMeasuringForTheRestOfThePeriod) {
    COperatingMode mode;
    ReceiveMode(mode, "Z", "1");
    EXPECT_EQ(RunOut(mode).label, kBlanking);
    EXPECT_EQ(mode.ModeCount(), 60);
    EXPECT_EQ(mode.ModeAfterBlanking(), 'N');

    ReceiveMode(mode, "B", "1");
    EXPECT_EQ(RunOut(mode).label, kMeasuring);
    EXPECT_EQ(mode.ModeCount(), 3600 - 60 - 300 - 60);
    EXPECT_EQ(mode.ModeAfterBlanking(), 'N');
}

TEST(OperatingMode, MeasuringLengthBelowZeroWrapsModulo65536) {
    const struct {
        const char* autoZero;
        std::uint16_t count;
    } rows[] = {
        {"100", 65536 - 320},
        {"", 65536 - 420},
        {"-2147483648", 65116},  // 32-bit wrap-around gives the same low 16 bits
        {"99999999999", (2147483647 - 420) & 0xFFFF},
    };
    for (const auto& row : rows) {
        const InstrumentSettingsSnapshot settings = Settings(1, "60", "60", "300", row.autoZero);
        COperatingMode mode;
        mode.SetModeAfterBlanking('N');
        ReceiveMode(mode, "B", "1", settings);
        EXPECT_EQ(RunOut(mode, settings).label, kMeasuring);
        EXPECT_EQ(mode.ModeCount(), row.count) << row.autoZero;
    }
}

TEST(OperatingMode, NothingIsPredictedWithoutAModeField) {
    COperatingMode mode;
    mode.SetModeSeconds("1", kNormal);
    const COperatingMode::TickResult result = mode.Tick(kNormal);
    EXPECT_TRUE(result.counted);
    EXPECT_FALSE(result.label);
    EXPECT_EQ(mode.ModeCount(), 0);
}

}  // namespace
