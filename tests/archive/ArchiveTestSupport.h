// Helpers of the archive tests: the time zone, the lines an instrument sends and the rows made of them,
// the test station, waiting, running a program, and a fixture with a journal and an outbox of its own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "NasaAmesReader.h"
#include "TestFiles.h"
#include "archive/HourKey.h"
#include "archive/RowAssembler.h"
#include "archive/StationConfig.h"

// Central European time with its summer time.
inline constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// The PC's time zone from now on, as a POSIX TZ rule. Every test whose result depends on it sets it.
inline void UseTimeZone(const char* rule) {
    setenv("TZ", rule, 1);
    tzset();
}

// 2026-12-31 23:00:00 UTC from "2026-12-31 23:00" (seconds may follow).
inline std::time_t Utc(const char* text) {
    std::tm calendar{};
    std::sscanf(text, "%d-%d-%d %d:%d:%d", &calendar.tm_year, &calendar.tm_mon, &calendar.tm_mday,
                &calendar.tm_hour, &calendar.tm_min, &calendar.tm_sec);
    calendar.tm_year -= 1900;
    calendar.tm_mon -= 1;
    return timegm(&calendar);
}

// The id of the test station's hour given as UTC "2026-12-31 23:00".
inline std::string HourAt(const char* utc) {
    return HourKey{"NO0042R", Utc(utc)}.Id();
}

// The rows made of record lines, and what was said of the lines that could not be used in full.
struct Converted {
    std::vector<ArchiveRow> rows;
    std::vector<std::string> problems;
};
inline Converted Convert(const std::vector<std::string>& lines) {
    Converted converted;
    CRowAssembler assembler;
    for (const std::string& line : lines) {
        CRowAssembler::Outcome outcome = assembler.AddLine(line);
        if (outcome.finished) converted.rows.push_back(*outcome.finished);
        if (!outcome.problem.empty()) converted.problems.push_back(outcome.problem);
    }
    if (std::optional<ArchiveRow> last = assembler.Flush()) converted.rows.push_back(*last);
    return converted;
}

// The T, D and Y lines of the averaging period that ended at utc, in the PC's local time as the
// instrument keeps it.
inline std::vector<std::string> RecordSet(std::time_t utc) {
    std::tm local{};
    localtime_r(&utc, &local);
    char t[64];
    std::strftime(t, sizeof t, "T,%Y,%m,%d,%H,%M,%S", &local);
    const double scatter = 1.0e-5 + static_cast<double>(utc % 600) * 1.0e-9;
    char d[96];
    std::snprintf(d, sizeof d, "D,N,100,%.4e,%.4e,%.4e,%.4e,%.4e,%.4e", scatter, scatter * 0.8, scatter * 0.6,
                  scatter * 0.12, scatter * 0.1, scatter * 0.08);
    return {t, d, "Y,1,1010.5,295.2,294.1,30.0,12.00,6.10,0.001,0000"};
}

inline std::filesystem::path TestData(const std::string& name) {
    return std::filesystem::path(CORVANE_ARCHIVE_TEST_DATA) / name;
}

// The test station (tests/archive/data/station.conf), writing into outbox.
inline StationConfig TestStation(const std::filesystem::path& outbox = {}) {
    StationConfigResult loaded = LoadStationConfig(TestData("data/station.conf"));
    EXPECT_EQ(loaded.problems, std::vector<std::string>());
    loaded.config.outbox = outbox.string();
    return loaded.config;
}

// Looks every 50 ms until the condition holds; false at the time-out.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

struct ProgramResult {
    int exitStatus = -1;  // -1 when it ended by a signal
    std::string out;
    std::string err;
};
// Runs the program with these arguments and extra environment entries ("NAME=value"), and waits for it.
inline ProgramResult RunProgram(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& environment) {
    const TempFolder folder;
    std::string command = "exec env";
    for (const std::string& entry : environment) command += " '" + entry + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " >" + (folder.Path() / "out").string() + " 2>" + (folder.Path() / "err").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(folder.Path() / "out"),
            ReadText(folder.Path() / "err")};
}

// A test in central European time whose journal and outbox are in a folder of its own.
class ArchiveFolderTest : public ::testing::Test {
protected:
    ArchiveFolderTest() {
        UseTimeZone(kCentralEurope);
        setenv("XDG_STATE_HOME", (m_folder.Path() / "state").c_str(), 1);
    }
    std::filesystem::path Outbox() const { return m_folder.Path() / "outbox"; }
    std::string Journal() const { return ReadText(m_folder.Path() / "state/corvane/events.log"); }
    // The outbox's file, checked by the independent reader.
    NasaAmesFile Read(const std::string& name) const {
        NasaAmesFile file = ReadNasaAmes(ReadText(Outbox() / name));
        EXPECT_EQ(file.problems, std::vector<std::string>()) << name;
        return file;
    }

    TempFolder m_folder;
};
