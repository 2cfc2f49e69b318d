// The operating mode: labels, the mode-seconds rule and the countdown's expiry predictions.
#include <gtest/gtest.h>

#include "records/OperatingMode.h"

namespace {

const std::string kBlanking = "BLANKING mode for";
const std::string kMeasuring = "MEASURING mode for";
const std::string kZeroing = "ZEROING mode for";

// Averaging 60, blank 60 and zero 300 seconds within the auto zero period.
InstrumentSettingsSnapshot Settings(std::uint16_t mode = 1, const char* autoZero = "3600") {
    return {3, mode, "60", "60", "300", autoZero};
}

// Ticks until the countdown runs out; returns the tick result at expiry.
COperatingMode::TickResult RunOut(COperatingMode& mode,
                                  const InstrumentSettingsSnapshot& settings = Settings()) {
    for (;;) {
        const COperatingMode::TickResult result = mode.Tick(settings);
        if (!result.counted || result.shown == 0) return result;
    }
}

TEST(OperatingMode, ModeLettersSetTheLabelAndSecondsAreCountedModulo65536ExceptManualMeasuring) {
    COperatingMode letters;
    EXPECT_EQ(letters.SetModeField("N"), kMeasuring);
    EXPECT_EQ(letters.SetModeField("Bxyz"), kBlanking);
    EXPECT_EQ(letters.SetModeField("Z"), kZeroing);
    EXPECT_EQ(letters.SetModeField("n"), std::nullopt);
    EXPECT_EQ(letters.ModeField(), "n");
    EXPECT_EQ(letters.SetModeField(""), std::nullopt);

    const struct {
        std::uint16_t mode;  // 0 Manual, 1 Normal
        const char* field;
        const char* seconds;
        const char* shown;
        std::uint16_t count;
    } rows[] = {
        {0, "N", "120", "", 0},  // the instrument measures until told otherwise
        {0, "B", "120", "120", 120}, {1, "N", "45 s", "45 s", 45}, {1, "B", "70000", "70000", 4464},
        {1, "B", "-1", "-1", 65535}, {1, "B", "x", "x", 0},
    };
    for (const auto& row : rows) {
        COperatingMode mode;
        mode.SetModeField(row.field);
        EXPECT_EQ(mode.SetModeSeconds(row.seconds, Settings(row.mode)), row.shown) << row.seconds;
        EXPECT_EQ(mode.ModeCount(), row.count) << row.seconds;
    }
}

TEST(OperatingMode, ExpiryPredictsTheNextModeAndItsLength) {
    const struct {
        const char* field;
        char afterBlanking;
        const char* autoZero;
        std::optional<std::string> label;
        std::uint16_t count;
    } rows[] = {
        {"N", 'Z', "3600", kBlanking, 60},
        {"Z", 'Z', "3600", kBlanking, 60},
        {"B", 'Z', "3600", kZeroing, 300},  // after the start of a run
        {"B", 'N', "3600", kMeasuring, 3600 - 60 - 300 - 60},
        // A measuring length below zero wraps to a large count.
        {"B", 'N', "100", kMeasuring, 65536 - 320},
        {"B", 'N', "", kMeasuring, 65536 - 420},
        {"B", 'N', "-2147483648", kMeasuring, 65116},
        {"B", 'N', "99999999999", kMeasuring, (2147483647 - 420) & 0xFFFF},
        // Nothing is predicted for another letter or without a mode field.
        {"X", 'Z', "3600", std::nullopt, 0},
        {"", 'Z', "3600", std::nullopt, 0},
    };
    for (const auto& row : rows) {
        const InstrumentSettingsSnapshot settings = Settings(1, row.autoZero);
        COperatingMode mode;
        mode.SetModeAfterBlanking(row.afterBlanking);
        mode.SetModeField(row.field);
        mode.SetModeSeconds("2", settings);
        EXPECT_EQ(mode.Tick(settings).shown, 1);
        const COperatingMode::TickResult expiry = mode.Tick(settings);
        EXPECT_TRUE(expiry.counted);
        EXPECT_EQ(expiry.shown, 0) << "the new count is not shown at the expiry tick";
        EXPECT_EQ(expiry.label, row.label) << row.field << row.afterBlanking << row.autoZero;
        EXPECT_EQ(mode.ModeCount(), row.count) << row.field << row.afterBlanking << row.autoZero;
        EXPECT_EQ(mode.Tick(settings).counted, row.count != 0);
    }
}

TEST(OperatingMode, MeasuringThatRunsOutRepeatsBlankingAndZeroingLeadsToMeasuring) {
    COperatingMode mode;
    mode.SetModeField("N");
    mode.SetModeSeconds("1", Settings());
    EXPECT_EQ(RunOut(mode).label, kBlanking);
    EXPECT_EQ(RunOut(mode).label, kBlanking);
    EXPECT_EQ(mode.ModeCount(), 60);
    EXPECT_EQ(mode.ModeField(), "N");

    // Zeroing leads through blanking to measuring for the rest of the auto zero period.
    mode.SetModeField("Z");
    mode.SetModeSeconds("1", Settings());
    EXPECT_EQ(RunOut(mode).label, kBlanking);
    mode.SetModeField("B");
    mode.SetModeSeconds("1", Settings());
    EXPECT_EQ(RunOut(mode).label, kMeasuring);
    EXPECT_EQ(mode.ModeCount(), 3600 - 60 - 300 - 60);
}

}  // namespace
