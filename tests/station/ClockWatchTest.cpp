// The instrument's clock against the PC's: one T record's offset in local time, the median's warning
// with its hysteresis, and daylight-saving changes told from drift.
#include <gtest/gtest.h>

#include "ClockTestSupport.h"
#include "station/ClockOffsetWatch.h"
#include "station/ClockSample.h"

TEST(ClockSample, OffsetIsInstrumentMinusPcLocalTimeAcrossTheSkippedHour) {
    const ScopedTimeZone zone(kCentralEurope);
    // Summer time began at 01:00 UTC on 29 March 2026: local 02:00 CET became 03:00 CEST.
    const std::tuple<const char*, std::chrono::system_clock::time_point, double, long> rows[] = {
        {"T,2026,03,29,02,00,00", Utc(2026, 3, 29, 0, 59, 50), 10, 3600},
        {"T,2026,03,29,01,59,59", Utc(2026, 3, 29, 0, 59, 59.25), -0.25, 3600},
        // An instrument left on winter time, inside the hour the PC skipped.
        {"T,2026,03,29,02,00,10", Utc(2026, 3, 29, 1, 0, 10), -3600, 7200},
        // 31 February passes the T record's checks and counts on into March.
        {"T,2026,02,31,12,00,00", Utc(2026, 3, 3, 11, 0, 0), 0, 3600},
    };
    for (const auto& [line, arrival, offset, utcOffset] : rows) {
        EXPECT_NEAR(ReadClockSample(line, arrival).value().offset, offset, 1e-3) << line;
        EXPECT_EQ(ReadClockSample(line, arrival).value().utcOffset, utcOffset) << line;
    }
    // The command carries the PC's local time to the nearest second.
    EXPECT_EQ(ClockSetCommand(Utc(2026, 3, 29, 0, 59, 59.4)), "STT2026,03,29,01,59,59");
    EXPECT_EQ(ClockSetCommand(Utc(2026, 3, 29, 0, 59, 59.6)), "STT2026,03,29,03,00,00");
}

TEST(ClockOffsetWatch, WarnsOnceBeyondTheThresholdAndOnceBackWithinHalfOfIt) {
    JournalLog journal;
    CClockOffsetWatch watch(journal.Sink());
    // The first record alone is never judged; a late line among the rest does not count.
    for (double offset : {40.0, -0.5, -0.5, -0.4, -30.0, -0.4, -0.4}) watch.Add({offset, 3600});
    EXPECT_TRUE(journal.lines.empty());
    EXPECT_DOUBLE_EQ(watch.Median().value(), -0.4);

    // Drifting a second a record: one line past 10 s, none on the way, one back within 5 s.
    for (int offset = 0; offset <= 20; ++offset) watch.Add({double(offset), 3600});
    for (int offset = 20; offset >= 0; --offset) watch.Add({double(offset), 3600});
    ASSERT_EQ(journal.lines.size(), 2u);
    EXPECT_TRUE(
        journal.lines[0].second.starts_with("the instrument's clock is 11 s ahead of the PC's (median"));
    EXPECT_EQ(journal.lines[1].second,
              "the instrument's clock is back within 5 s: now 5 s ahead of the PC's");

    // A warning stays given across a restart (the clock was set), so that its end is journaled.
    for (int i = 0; i < 10; ++i) watch.Add({-15, 3600});
    watch.Restart();
    for (int i = 0; i < 3; ++i) watch.Add({0.2, 3600});
    EXPECT_EQ(journal.TakeWords(), (std::vector<std::string>(4, std::string(ClockWord::kOffset))));
}

TEST(ClockOffsetWatch, DaylightSavingChangeIsNamedAsOneAndNotAsDrift) {
    JournalLog journal;
    CClockOffsetWatch watch(journal.Sink());
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(watch.Add({2, 3600}));

    // The PC's local time jumps an hour ahead; the instrument's does not.
    EXPECT_TRUE(watch.Add({-3598, 7200}));
    ASSERT_EQ(journal.lines.size(), 1u);
    EXPECT_EQ(journal.lines[0].first, ClockWord::kTimeZone);
    EXPECT_TRUE(journal.lines[0].second.ends_with("from +01:00 to +02:00 (daylight saving, not drift): the "
                                                  "instrument keeps its own time and is now 0:59:58 behind the PC's"));
    EXPECT_DOUBLE_EQ(watch.Median().value(), -3598);  // at once, not after half the window
    for (int i = 0; i < 5; ++i) watch.Add({-3598, 7200});
    journal.TakeWords();

    // Back to winter time, and an instrument that changes with the PC: no jump, no drift.
    EXPECT_TRUE(watch.Add({2, 3600}));
    EXPECT_DOUBLE_EQ(watch.Median().value(), 2);
    EXPECT_FALSE(watch.Add({2.5, 7200}));
    EXPECT_EQ(journal.TakeWords(), (std::vector<std::string>(2, std::string(ClockWord::kTimeZone))));
}
