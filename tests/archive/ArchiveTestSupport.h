// Helpers of the archive tests: the time zone, the lines an instrument sends and the rows made of
// them, the station of the tests, waiting and running a program; and the shared test files.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "archive/RowAssembler.h"
#include "archive/StationConfig.h"

// The PC's time zone from now on, as a POSIX TZ rule. Every test whose result depends on it sets it.
void UseTimeZone(const char* rule);

// Central European time with its summer time.
inline constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// 2026-12-31 23:00:00 UTC from "2026-12-31 23:00" (seconds may follow).
std::time_t Utc(const char* text);

// The rows made of record lines, and what was said of the lines that could not be used in full.
struct Converted {
    std::vector<ArchiveRow> rows;
    std::vector<std::string> problems;
};
Converted Convert(const std::vector<std::string>& lines);

// The id of the test station's hour given as UTC "2026-12-31 23:00".
std::string HourAt(const char* utc);

// The T, D and Y lines of one averaging period that ended at utc, its time in the PC's local time as the
// instrument keeps it.
std::vector<std::string> RecordSet(std::time_t utc);

// The test station (tests/archive/data/station.conf), writing into outbox.
StationConfig TestStation(const std::filesystem::path& outbox = {});
std::filesystem::path TestData(const std::string& name);

// Looks every 50 ms until the condition holds; false at the time-out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds timeout);

struct ProgramResult {
    int exitStatus = -1;  // -1 when it ended by a signal
    std::string out;
    std::string err;
};
// Runs the program with these arguments and extra environment entries ("NAME=value"), and waits for it.
ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment);
