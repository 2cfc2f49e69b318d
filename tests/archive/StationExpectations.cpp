// The server's files checked against the station's log.
#include "StationExpectations.h"

#include <gtest/gtest.h>

#include <cmath>

#include "NasaAmesReader.h"
#include "archive/HourKey.h"

namespace {

// 1 January 00:00 UTC of the year the time is in: the files' reference point.
std::time_t YearStart(std::time_t time) {
    std::tm calendar{};
    gmtime_r(&time, &calendar);
    std::tm start{};
    start.tm_year = calendar.tm_year;
    start.tm_mday = 1;
    return timegm(&start);
}

// The end times of a file's rows, read from its end_time column (days since its reference point).
std::set<std::time_t> RowEnds(const NasaAmesFile& file, std::time_t hour) {
    std::set<std::time_t> ends;
    for (const std::vector<std::string>& row : file.rows)
        ends.insert(YearStart(hour) + std::llround(std::stod(row.at(1)) * 86400));
    return ends;
}

}  // namespace

std::vector<std::string> SimulatorAt(const std::string& localClock) {
    return {"--records", "DTYZ", "--averaging", "60", "--speed", "1200", "--clock", localClock};
}

bool ServerHasHour(const CStationUnderTest& station, const std::string& hourId) {
    const std::vector<std::string> ids = HourIds(station.ServerFiles());
    return std::find(ids.begin(), ids.end(), hourId) != ids.end();
}

std::vector<std::time_t> ExpectServerHoldsTheLog(const CStationUnderTest& station,
                                                 std::chrono::seconds averaging) {
    std::map<std::time_t, std::set<std::time_t>> logged = LogRowsByHour(station.LogFolder(), averaging);
    EXPECT_GE(logged.size(), 2u) << "the log holds less than two hours";
    if (!logged.empty()) logged.erase(std::prev(logged.end()));

    std::vector<std::string> expected;
    for (const auto& [hour, rows] : logged) expected.push_back(HourKey{"NO0042R", hour}.Id());
    std::vector<std::string> arrived = HourIds(station.ServerFiles());
    std::sort(arrived.begin(), arrived.end());
    EXPECT_EQ(arrived, expected) << "each hour of the log once on the server";
    EXPECT_EQ(station.ServerLeftovers(), std::vector<std::string>()) << "nothing but final names";

    std::vector<std::time_t> hours;
    for (const std::string& name : station.ServerFiles()) {
        const HourKey key = HourKeyOfFileName(name).value();
        hours.push_back(key.start);
        const NasaAmesFile file = ReadNasaAmes(ReadText(station.ServerFolder() / name));
        EXPECT_EQ(file.problems, std::vector<std::string>()) << name;
        EXPECT_EQ(RowEnds(file, key.start), logged[key.start]) << name;
    }
    std::sort(hours.begin(), hours.end());
    return hours;
}
