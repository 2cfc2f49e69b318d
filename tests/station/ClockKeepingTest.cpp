// Keeping the instrument's clock: the decisions during a run on their own, then the keeper as the run
// core uses it, with the PC's clock and its state set by the test.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "ClockTestSupport.h"
#include "station/ClockKeeper.h"
#include "station/ClockKeeping.h"

using std::chrono::seconds;

namespace {
std::chrono::steady_clock::time_point At(int second) {
    return std::chrono::steady_clock::time_point{seconds(second)};
}
}  // namespace

TEST(ClockKeeping, DriftIsCorrectedAfterFiveMinutesBeyondAtMostHourlyInNormalOperationOnly) {
    CClockKeeping keeping(10);
    // Seconds, the median, the mode, the PC synchronised, set, held back.
    const std::tuple<int, double, char, bool, bool, bool> rows[] = {
        // clang-format off
        {0, 12, 'N', true, false, false}, {240, 5, 'N', true, false, false},  // back within: the wait restarts
        {300, -12, 'N', true, false, false}, {599, -12, 'N', true, false, false},
        {600, -12, 'Z', true, false, false}, {660, -12, 'B', true, false, false},  // wait for normal operation
        {720, -12, 'N', false, false, true}, {780, -12, 'N', false, false, false},  // held back, said once
        {840, -12, 'N', true, true, false}, {1200, -12, 'N', true, false, false},
        {4439, -12, '\0', true, false, false}, {4440, -12, '\0', true, true, false},  // an hour; no D records
        // clang-format on
    };
    for (const auto& [at, median, mode, synchronized, set, heldBack] : rows) {
        const CClockKeeping::Decision decision = keeping.DuringRun({median, synchronized, mode, false}, At(at));
        EXPECT_EQ(decision.setClock, set) << at;
        EXPECT_EQ(decision.heldBack.has_value(), heldBack) << at;
    }
    // A daylight-saving change, even one seen before the median is judged, is corrected at once
    // though within the hour, once the zero is over.
    EXPECT_FALSE(keeping.DuringRun({std::nullopt, true, 'N', true}, At(4500)).setClock);
    EXPECT_FALSE(keeping.DuringRun({-3600, true, 'Z', false}, At(4530)).setClock);
    EXPECT_TRUE(keeping.DuringRun({-3600, true, 'N', false}, At(4560)).setClock);
    EXPECT_FALSE(keeping.DuringRun({-3600, true, 'N', false}, At(4620)).setClock);
}

TEST(ClockKeeping, ANewRunWaitsItsOwnFiveMinutesAndForgetsTheLastRunsTimeZoneChange) {
    CClockKeeping keeping(10);
    EXPECT_FALSE(keeping.DuringRun({12, true, 'N', false}, At(0)).setClock);
    EXPECT_FALSE(keeping.DuringRun({std::nullopt, true, 'N', true}, At(60)).setClock);  // not judged yet
    keeping.OnRunStarted();
    EXPECT_FALSE(keeping.DuringRun({12, true, 'N', false}, At(240)).setClock);
    EXPECT_FALSE(keeping.DuringRun({12, true, 'N', false}, At(539)).setClock);
    EXPECT_TRUE(keeping.DuringRun({12, true, 'N', false}, At(540)).setClock);
}

TEST(ClockKeeping, ACorrectionDueWhileTheRunStartsOrStopsWaitsForItWithoutSpendingTheHour) {
    CClockKeeping keeping(10);
    const auto at = [&](int second, std::optional<double> median, bool timeZoneChanged, bool canCorrect) {
        return keeping.DuringRun({median, true, 'N', timeZoneChanged, canCorrect}, At(second)).setClock;
    };
    EXPECT_FALSE(at(0, 12, false, true));
    EXPECT_FALSE(at(300, 12, false, false));
    EXPECT_FALSE(at(310, 12, false, false));
    EXPECT_TRUE(at(320, 12, false, true));
    // A daylight-saving change seen while the output starts again is corrected at its first record after.
    EXPECT_FALSE(at(400, 3600, true, false));
    EXPECT_TRUE(at(410, 3600, false, true));
}

// The keeper, with the PC's clock in UTC on 1 June 2026, 12:00, synchronised.
struct ClockKeeperTest : testing::Test {
    FakePcClock pc;
    JournalLog journal;
};

TEST_F(ClockKeeperTest, StartSetsTheClockOnlyWhenKeepingWithThePcsTimeAndJournalsBeforeAndAfterOrWhyNot) {
    const ScopedTimeZone zone("UTC0");
    CClockKeeper keeper(0, pc.Source(), journal.Sink());
    // Off: the start's commands stay as they are; the offset is watched all the same.
    EXPECT_FALSE(keeper.ClockCommandAtStart(TimeLineAt(pc.reading.now, -3600)).has_value());
    for (int i = 0; i < 3; ++i, pc.Advance(seconds(60)))
        EXPECT_FALSE(keeper.OnRecord(TimeLineAt(pc.reading.now, 30), pc.reading.now, true));
    EXPECT_DOUBLE_EQ(keeper.OffsetSeconds().value(), 30);
    EXPECT_EQ(journal.TakeWords(), std::vector<std::string>{"clock-offset"});

    keeper.SetKeepThreshold(10);
    EXPECT_FALSE(keeper.ClockCommandAtStart(TimeLineAt(pc.reading.now, -10)).has_value());  // not beyond
    EXPECT_EQ(keeper.ClockCommandAtStart(TimeLineAt(pc.reading.now, -42)), "STT2026,06,01,12,03,00");
    keeper.OnClockCommandAnswered("OK", TimeLineAt(pc.reading.now, 0));
    EXPECT_EQ(journal.TakeWords(), (std::vector<std::string>{"pc-clock", "clock-set"}));  // the PC's state first

    pc.reading.synchronized = false;
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(keeper.ClockCommandAtStart(TimeLineAt(pc.reading.now, 42)));
    EXPECT_EQ(journal.TakeWords(), (std::vector<std::string>{"pc-clock", "clock-not-set"}));  // once an hour
    EXPECT_FALSE(keeper.ClockCommandAtStart("WriteComm"));  // a held-back line of its own
    EXPECT_TRUE(journal.lines.at(0).second.starts_with("the instrument's time could not be read"));
}

TEST_F(ClockKeeperTest, ANewRunWaitsItsOwnFiveMinutesBeyondTheThreshold) {
    const ScopedTimeZone zone("UTC0");
    CClockKeeper keeper(10, pc.Source(), journal.Sink());
    // A minute of T records 30 s ahead, one every ten seconds: whether any of them made it due.
    const auto minute = [&] {
        bool due = false;
        for (int i = 0; i < 6; ++i, pc.Advance(seconds(10)))
            due = keeper.OnRecord(TimeLineAt(pc.reading.now, 30), pc.reading.now, true) || due;
        return due;
    };
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(minute());
    keeper.OnRunStarted();
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(minute()) << "minute " << i << " of the new run";
    EXPECT_TRUE(minute() || minute());
}

TEST_F(ClockKeeperTest, DaylightSavingChangeIsDueAtOnceUnlessZeroing) {
    const ScopedTimeZone zone(kCentralEurope);
    pc.reading.now = Utc(2026, 3, 29, 0, 56, 0);
    CClockKeeper keeper(10, pc.Source(), journal.Sink());
    std::vector<std::string> due;
    for (int minute = 0; minute < 8; ++minute, pc.Advance(seconds(60))) {
        if (keeper.OnRecord(minute == 6 ? "D,N,60,1,1,1,1,1,1" : "D,Z,60,0,0,0,0,0,0", pc.reading.now, true))
            due.push_back(TimeLineAt(pc.reading.now, 0));
        // An instrument still on winter time (UTC+1 all year).
        keeper.OnRecord(TimeLineAt(pc.reading.now, 3600, gmtime_r), pc.reading.now, true);
    }
    // Summer time began at 01:00 UTC, during a zero that ended two minutes later.
    EXPECT_EQ(due, std::vector<std::string>{"T,2026,03,29,03,02,00"});
    EXPECT_EQ(journal.TakeWords(), (std::vector<std::string>{"pc-clock", "time-zone-change"}));
}

TEST_F(ClockKeeperTest, WhetherTheClockWasSetIsJudgedByTheTimeReadAfterTheCommandNotByItsAnswerAlone) {
    const ScopedTimeZone zone("UTC0");
    CClockKeeper keeper(10, pc.Source(), journal.Sink());
    const std::string behind = TimeLineAt(pc.reading.now, -42);
    for (int i = 0; i < 3; ++i) keeper.OnRecord(behind, pc.reading.now, true);
    // The answer to "STT", the answer to "RT" after it, what the journal says.
    const std::tuple<const char*, std::string, const char*> rows[] = {
        {"ERROR", "WriteComm",
         "clock-not-set the instrument answered \"ERROR\" to STT2026,06,01,12,00,00: its clock stays 42 s "
         "behind the PC's"},
        {"OK", behind,
         "clock-not-set the instrument answered \"OK\" to STT2026,06,01,12,00,00, but its clock is still "
         "42 s behind the PC's"},
        {"WriteComm", "WriteComm",
         "clock-not-set no answer came to STT2026,06,01,12,00,00, and the instrument's time could not "
         "be read after it: its clock was 42 s behind the PC's"},
        {"WriteComm", TimeLineAt(pc.reading.now, 1),
         "clock-set STT2026,06,01,12,00,00: the instrument's clock was 42 s behind the PC's; now 1 s "
         "ahead of the PC's"},
        {"OK", TimeLineAt(pc.reading.now, 0),
         "clock-set STT2026,06,01,12,00,00: the instrument's clock was 42 s behind the PC's; now within a "
         "second of the PC's"},
    };
    for (const auto& [reply, after, said] : rows) {
        ASSERT_TRUE(keeper.ClockCommandAtStart(behind).has_value());
        journal.lines.clear();
        keeper.OnClockCommandAnswered(reply, after);
        ASSERT_EQ(journal.lines.size(), 1u) << said;
        EXPECT_TRUE((journal.lines[0].first + " " + journal.lines[0].second).starts_with(said))
            << journal.lines[0].second;
        // The offsets of the clock as it was are kept until it is set.
        EXPECT_EQ(keeper.OffsetSeconds().has_value(), journal.lines[0].first != "clock-set") << said;
    }
}
