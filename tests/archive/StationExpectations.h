// What every end-to-end test of the archive's hourly files expects of a station once its program has
// stopped: the server holds each hour of the log exactly once, sound and whole.
#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "StationUnderTest.h"

// The simulator's options for a test: records T, D, Y and Z, one averaging period a minute, an hour
// passing in three seconds, the instrument's clock starting at the given local time.
std::vector<std::string> SimulatorAt(const std::string& localClock);

// Checks the server against the log: every hour the log has rows for, except the last (still open when
// the program stopped), arrived exactly once under its final name and nothing else is there; each file
// passes the independent reader and holds exactly the log's rows of its hour. Gives the hours' starts.
std::vector<std::time_t> ExpectServerHoldsTheLog(const CStationUnderTest& station,
                                                 std::chrono::seconds averaging = std::chrono::seconds(60));

// Whether the server holds the file of that hour.
bool ServerHasHour(const CStationUnderTest& station, const std::string& hourId);
