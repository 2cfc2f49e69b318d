// Helpers of the archive tests: a temporary folder, the time zone, the lines an instrument sends, the
// station of the tests, waiting and running a program.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/StationConfig.h"

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The PC's time zone from now on, as a POSIX TZ rule. Every test whose result depends on it sets it.
void UseTimeZone(const char* rule);

// Central European time with its summer time.
inline constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// 2026-12-31 23:00:00 UTC from "2026-12-31 23:00" (seconds may follow).
std::time_t Utc(const char* text);

// The T, D and Y lines of one averaging period that ended at utc, its time in the PC's local time as the
// instrument keeps it.
std::vector<std::string> RecordSet(std::time_t utc);

std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);
// The files of a folder (not its subfolders), by name.
std::vector<std::string> FileNames(const std::filesystem::path& folder);

// The test station (tests/archive/data/station.conf), writing into outbox.
StationConfig TestStation(const std::filesystem::path& outbox = {});
std::filesystem::path TestData(const std::string& name);

// Looks every 50 ms until the condition holds; false at the time-out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds timeout);

struct ProgramResult {
    int exitStatus = -1;  // -1 when it ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};
// Runs the program with these arguments and extra environment entries ("NAME=value"), and waits for it.
ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});
