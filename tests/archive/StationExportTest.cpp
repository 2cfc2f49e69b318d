// The real program, headless against the simulator, sending its hourly files to a real sshd: each hour on
// the server exactly once across the turn of a year (across a time the server is down: StationMetrics).
#include <gtest/gtest.h>

#include "StationExpectations.h"

using namespace std::chrono_literals;

namespace {

class StationExport : public ::testing::Test {
protected:
    StationExport() { UseTimeZone(kCentralEurope); }
};

TEST_F(StationExport, EachHourArrivesOnceAcrossMidnightAndTheTurnOfTheYear) {
    // 23:20 UTC on 31 December; the log's new day begins at local midnight, an hour before the new year.
    CStationUnderTest station(SimulatorAt("2027-01-01T00:20:00"));
    ASSERT_TRUE(station.Server().Start()) << station.Server().Log();
    station.StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return ServerHasHour(station, HourAt("2027-01-01 01:00")); }, 120s))
        << station.Journal() << station.ProgramOutput();
    ASSERT_TRUE(station.StopProgram()) << station.ProgramOutput();

    const std::vector<std::time_t> hours = ExpectServerHoldsTheLog(station);
    for (const char* hour : {"2026-12-31 23:00", "2027-01-01 00:00"})
        EXPECT_NE(std::find(hours.begin(), hours.end(), Utc(hour)), hours.end()) << hour;
    EXPECT_EQ(station.OutboxFiles(), std::vector<std::string>());
    EXPECT_EQ(station.JournalCount("upload-failed"), 0u) << station.Journal();
}

}  // namespace
