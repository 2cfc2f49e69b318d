// The real program killed (SIGKILL) at each step of an hourly file's way and started again: no hour is
// lost and none repeated; the server's copy under the final name is the one truth.
#include <gtest/gtest.h>

#include <csignal>

#include "StationExpectations.h"

using namespace std::chrono_literals;

namespace {

struct KillPoint {
    const char* name;
    const char* variable;  // of the preloaded library (KillAt.cpp)
    const char* at;
    // After the restart: the uploader found the file on the server and did not send it again.
    std::size_t foundOnServer;
    // The restarted program removed a partial file that the killed one left.
    std::size_t partialsRemoved;
};

void PrintTo(const KillPoint& point, std::ostream* out) {
    *out << point.name;
}

class StationKilled : public ::testing::TestWithParam<KillPoint> {
protected:
    StationKilled() { UseTimeZone(kCentralEurope); }
};

TEST_P(StationKilled, AndStartedAgainNeitherLosesNorRepeatsAnHour) {
    const KillPoint& point = GetParam();
    CStationUnderTest station(SimulatorAt("2026-12-01T10:40:00"));
    ASSERT_TRUE(station.Server().Start()) << station.Server().Log();
    station.StartProgram({"LD_PRELOAD=" CORVANE_KILL_AT,
                          QStringLiteral("%1=%2").arg(point.variable, point.at),
                          "ASAN_OPTIONS=verify_asan_link_order=0"});
    ASSERT_EQ(station.Program().WaitForExit(120000), -SIGKILL)
        << station.Journal() << station.ProgramOutput();
    const std::size_t before = station.ServerFiles().size();

    station.StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return station.ServerFiles().size() >= before + 2; }, 120s))
        << station.Journal() << station.ProgramOutput();
    ASSERT_TRUE(station.StopProgram()) << station.ProgramOutput();

    ExpectServerHoldsTheLog(station);
    EXPECT_EQ(station.OutboxFiles(), std::vector<std::string>());
    EXPECT_EQ(station.JournalCount("upload-found-on-server"), point.foundOnServer) << station.Journal();
    EXPECT_EQ(station.JournalCount("archive-partial-removed"), point.partialsRemoved) << station.Journal();
    EXPECT_EQ(station.JournalCount("upload-failed"), 0u) << station.Journal();
    EXPECT_EQ(station.JournalCount("archive-lines-unread"), 0u) << station.Journal();
}

INSTANTIATE_TEST_SUITE_P(
    Archive, StationKilled,
    ::testing::Values(
        // The second hour written, not yet renamed into the outbox: it is written again from the log.
        KillPoint{"BetweenWritingAndRenaming", "CORVANE_KILL_AT_RENAME", "2", 0, 1},
        // The first hour on the server under its final name, not yet on the sent-list.
        KillPoint{"BetweenUploadingAndNotingIt", "CORVANE_KILL_AT_SENT_LIST", "1", 1, 0},
        // The first hour sent and noted, not yet removed from the outbox.
        KillPoint{"BetweenUploadingAndRemovingIt", "CORVANE_KILL_AT_REMOVE", "1", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
