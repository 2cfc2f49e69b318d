// Helpers of the archive tests.
#include "ArchiveTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "archive/HourKey.h"

namespace fs = std::filesystem;

void UseTimeZone(const char* rule) {
    setenv("TZ", rule, 1);
    tzset();
}

std::time_t Utc(const char* text) {
    std::tm calendar{};
    std::sscanf(text, "%d-%d-%d %d:%d:%d", &calendar.tm_year, &calendar.tm_mon, &calendar.tm_mday,
                &calendar.tm_hour, &calendar.tm_min, &calendar.tm_sec);
    calendar.tm_year -= 1900;
    calendar.tm_mon -= 1;
    return timegm(&calendar);
}

std::string HourAt(const char* utc) {
    return HourKey{"NO0042R", Utc(utc)}.Id();
}

Converted Convert(const std::vector<std::string>& lines) {
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

std::vector<std::string> RecordSet(std::time_t utc) {
    std::tm local{};
    localtime_r(&utc, &local);
    char t[64];
    char d[96];
    char y[96];
    std::snprintf(t, sizeof t, "T,%04d,%02d,%02d,%02d,%02d,%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    const double scatter = 1.0e-5 + static_cast<double>(utc % 600) * 1.0e-9;
    std::snprintf(d, sizeof d, "D,N,100,%.4e,%.4e,%.4e,%.4e,%.4e,%.4e", scatter, scatter * 0.8, scatter * 0.6,
                  scatter * 0.12, scatter * 0.1, scatter * 0.08);
    std::snprintf(y, sizeof y, "Y,1,1010.5,295.2,294.1,30.0,12.00,6.10,0.001,0000");
    return {t, d, y};
}

fs::path TestData(const std::string& name) {
    return fs::path(CORVANE_ARCHIVE_TEST_DATA) / name;
}

StationConfig TestStation(const fs::path& outbox) {
    StationConfigResult loaded = LoadStationConfig(TestData("data/station.conf"));
    EXPECT_TRUE(loaded.problems.empty()) << loaded.problems.front();
    loaded.config.outbox = outbox.string();
    return loaded.config;
}

ProgramResult RunProgram(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment) {
    const TempFolder folder;
    std::string command = "exec env";
    for (const std::string& entry : environment) command += " '" + entry + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " >" + (folder.Path() / "out").string() + " 2>" + (folder.Path() / "err").string();
    const int status = std::system(command.c_str());
    ProgramResult result;
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    result.out = ReadText(folder.Path() / "out");
    result.err = ReadText(folder.Path() / "err");
    return result;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}
