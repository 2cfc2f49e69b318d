// The Trend view's data: dating records by T records, reading damaged files, joining history with
// live records and forgetting old ones, the min/max reduction, plausibility marks and the CSV export.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../station/ClockTestSupport.h"
#include "trend/CsvExport.h"
#include "trend/LogHistory.h"
#include "trend/Plausibility.h"
#include "trend/Reduction.h"
#include "trend/TrendHistory.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

double Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{second, minute, hour, day, month - 1, year - 1900, 0, 0, -1, 0, nullptr};
    return static_cast<double>(std::mktime(&t));
}

void Write(const fs::path& folder, const std::string& name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
}

}  // namespace

TEST(TrendTimeline, DatesRecordsByTheTRecordBeforeThemAcrossMidnightAndAcrossAMissingTRecord) {
    TrendData data;
    CRecordTimeline timeline;
    EXPECT_EQ(timeline.Feed("D,N,100,1,2,3,0.1,0.2,0.3", data).problem, "D record with no T record before it");
    for (const char* line : {"T,2026,12,06,23,59,58\r", "D,N,100,1,2,3,0.1,0.2,0.3", "T,2026,12,06,23,59,59",
                             "D,N,99,1,2,3,0.1,0.2,0.3", "T,2026,12,07,00,00,00", "D,Z,98,4,5,6,0.4,0.5,0.6",
                             "D,Z,97,4,5,6,0.4,0.5,0.6",  // its T record was lost: one T step later
                             "Y,0,1013.2,300.1,299.5,40.2,0,0,0,0011", "T,2026,12,07,00,00,02",
                             "D,N,96,7,8,9,0.7,0.8,0.9", "Z,1,2,3,4,5,6,7,8,9"})
        EXPECT_TRUE(timeline.Feed(line, data).problem.empty()) << line;
    ASSERT_EQ(data.scatter.Size(), 5u);
    const double midnight = Local(2026, 12, 7, 0, 0, 0);
    const double expected[] = {midnight - 2, midnight - 1, midnight, midnight + 1, midnight + 2};
    for (std::size_t row = 0; row < 5; ++row) EXPECT_EQ(data.scatter.Time(row), expected[row]) << row;
    EXPECT_EQ(data.scatter.Flag(2), 'Z');
    EXPECT_EQ(data.scatter.Value(4, 5), 0.9);
    ASSERT_EQ(data.aux.Size(), 1u);
    EXPECT_EQ(data.aux.Value(0, static_cast<std::size_t>(AuxColumn::Pressure)), 1013.2);
    EXPECT_EQ(data.aux.Flag(0), 0x011);
    EXPECT_EQ(data.zeroRecords, std::vector<double>{midnight + 2});
}

TEST(TrendLogFiles, FindsDailyAndWeeklyFilesAndReadsWhatADamagedFileHolds) {
    EXPECT_TRUE(LogFileDate("CV261206.dat") && LogFileDate("SITE261206.DAT") && LogFileDate("lo261206.dat"));
    EXPECT_FALSE(LogFileDate("261206.dat") || LogFileDate("CV261306.dat") || LogFileDate("CV260431.dat") ||
                 LogFileDate("notes.txt"));

    const QTemporaryDir temp;
    const fs::path folder = temp.path().toStdString();
    // A weekly file started on Sunday 29 November holds the records of a whole week.
    std::string week;
    for (int day = 29; day <= 35; ++day) {
        const int month = day > 30 ? 12 : 11, mday = day > 30 ? day - 30 : day;
        week += "T,2026," + std::to_string(month) + "," + std::to_string(mday) + ",12,00,00\r\n";
        week += "D,N,100,1,2,3,0.1,0.2,0.3\r\n";
    }
    Write(folder, "SITE261129.DAT", week);
    Write(folder, "CV261120.dat", "T,2026,11,20,12,00,00\r\nD,N,1,1,1,1,1,1,1\r\n");  // older than the span
    Write(folder, "readme.txt", "not a log\r\n");
    // Damaged: a foreign line, binary bytes, a bad T record, a value that is no number, a last line cut short.
    Write(folder, "CV261206.dat", "T,2026,12,06,08,00,00\r\nhello\r\nD,N,1,\0\x01,2\r\n"s +
                                     "T,2026,13,06,08,00,01\r\nD,N,1,x,2,3,4,5,6\r\nT,2026,12,06,08,00,02\r\nD,N,1,5,6");

    const auto files = LogFilesFrom(folder, static_cast<std::time_t>(Local(2026, 12, 5, 0, 0, 0)));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "SITE261129.DAT");

    TrendData data;
    CLogProblems problems;
    for (const auto& file : files) ReadLogFile(file, data, problems);
    ReadLogFile(folder / "missing.dat", data, problems);
    EXPECT_EQ(data.scatter.Size(), 7u + 2u);
    EXPECT_EQ(data.scatter.Time(6), Local(2026, 12, 5, 12, 0, 0));
    EXPECT_TRUE(std::isnan(data.scatter.Value(7, 0)));  // "x"
    EXPECT_EQ(data.scatter.Value(8, 0), 5);             // the cut last line still shows its first values
    EXPECT_TRUE(std::isnan(data.scatter.Value(8, 2)));
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {2, "not a record line"},
        {3, "not a record line"},
        {4, "T record with an invalid time"},
        {5, "D record with a value that is not a number"},
        {7, "D record cut short"}};
    ASSERT_EQ(problems.Count(), expected.size() + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(problems.Kept()[i].file, "CV261206.dat");
        EXPECT_EQ(problems.Kept()[i].line, expected[i].first);
        EXPECT_EQ(problems.Kept()[i].what, expected[i].second);
    }
    EXPECT_EQ(problems.Kept().back().file, "missing.dat");
    EXPECT_EQ(problems.Kept().back().line, 0u);
}

TEST(TrendHistory, JoinsTheLogFolderAndTheLiveRunWithoutDuplicatesOrGaps) {
    const QTemporaryDir temp;
    const fs::path folder = temp.path().toStdString();
    std::string logged;
    for (int s = 0; s < 10; ++s)
        logged += "T,2026,12,06,10,00," + std::to_string(s) + "\r\nD,N,1," + std::to_string(s) + ",2,3,0.1,0.2,0.3\r\n";
    Write(folder, "CV261206.dat", logged);

    CTrendHistory history;
    // The run had already delivered seconds 5 to 9 live, then goes on past what the log holds.
    const double now = Local(2026, 12, 6, 10, 0, 30);
    for (int s = 5; s < 14; ++s) {
        history.AddLiveLine("T,2026,12,06,10,00," + std::to_string(s), now);
        EXPECT_TRUE(history.AddLiveLine("D,N,1," + std::to_string(s) + ",2,3,0.1,0.2,0.3", now));
    }
    EXPECT_TRUE(history.LoadFolder(folder, static_cast<std::time_t>(Local(2026, 12, 6, 9, 0, 0))));
    EXPECT_FALSE(history.LoadFolder(folder, static_cast<std::time_t>(Local(2026, 12, 6, 11, 0, 0))));
    // A live record the log already gave is the same record: kept once.
    history.AddLiveLine("T,2026,12,06,10,00,02", now);
    history.AddLiveLine("D,N,1,2,2,3,0.1,0.2,0.3", now);
    history.AddLiveLine("T,2026,12,06,10,00,14", now);
    history.AddLiveLine("D,N,1,14,2,3,0.1,0.2,0.3", now);

    const auto& scatter = history.Data().scatter;
    ASSERT_EQ(scatter.Size(), 15u);
    for (std::size_t row = 0; row < scatter.Size(); ++row) {
        EXPECT_EQ(scatter.Time(row), Local(2026, 12, 6, 10, 0, 0) + static_cast<double>(row));
        EXPECT_EQ(scatter.Value(row, 0), static_cast<double>(row));
    }
}

TEST(TrendHistory, ARunKeepsOnlyWhatCanBeShownButEveryRecordReadFromAFile) {
    const QTemporaryDir temp;
    const fs::path folder = temp.path().toStdString();
    Write(folder, "CV261101.dat", "T,2026,11,01,12,00,00\r\nD,N,1,1,1,1,1,1,1\r\n");
    Write(folder, "old.dat", "T,2025,01,01,12,00,00\r\nD,N,2,2,2,2,2,2,2\r\n");
    CTrendHistory history;
    ASSERT_TRUE(history.LoadFiles({folder / "old.dat"}));
    ASSERT_TRUE(history.LoadFolder(folder, static_cast<std::time_t>(Local(2026, 11, 1, 0, 0, 0))));
    // Thirty days of a run, an hourly record each, forgetting all but a week as the Trend page does.
    const double start = Local(2026, 11, 1, 0, 30, 0);
    for (int hour = 0; hour < 30 * 24; ++hour) {
        history.AddLiveLine(TimeLineAt(std::chrono::system_clock::from_time_t(std::time_t(start) + hour * 3600), 0), 0);
        history.AddLiveLine("D,N,3,3,3,3,3,3,3", 0);
        history.AddLiveLine("Y,0,1013.2,300.1,299.5,40.2,0,0,0,0000", 0);
        history.ForgetLiveBefore(*history.NewestLive() - 7 * 86400.0);
    }
    // The run's last eight days (back to the midnight a week before its newest record) and both files.
    const double newest = start + (30 * 24 - 1) * 3600.0;
    EXPECT_EQ(history.NewestLive(), newest);
    EXPECT_EQ(history.Data().aux.Size(), 8u * 24);
    EXPECT_EQ(history.Data().aux.Times().front(), Local(2026, 11, 23, 0, 30, 0));
    const auto& scatter = history.Data().scatter;
    ASSERT_EQ(scatter.Size(), 2u + 8 * 24);
    EXPECT_EQ(scatter.Value(0, 0), 2);
    EXPECT_EQ(scatter.Value(1, 0), 1);
    // A window inside what was kept reads nothing again; one reaching back past it reads the folder.
    EXPECT_FALSE(history.LoadFolder(folder, static_cast<std::time_t>(Local(2026, 11, 23, 6, 0, 0))));
    EXPECT_TRUE(history.LoadFolder(folder, static_cast<std::time_t>(Local(2026, 11, 20, 6, 0, 0))));
}

TEST(TrendHistory, AnHourTheClocksSkipKeepsTheRecordsOfBothHoursAndSaysWhy) {
    // An instrument on standard time through the night the local clocks go forward at 02:00.
    const ScopedTimeZone zone(kCentralEurope);
    std::string log;
    for (int minutes = 60; minutes < 240; minutes += 10) {
        char time[64];
        std::snprintf(time, sizeof time, "T,2026,03,29,%02d,%02d,00\r\n", minutes / 60, minutes % 60);
        log += std::string(time) + "D,N,1," + std::to_string(minutes) + ",2,3,0.1,0.2,0.3\r\n";
    }
    TrendData data;
    CLogProblems problems;
    std::istringstream in(log);
    ReadLog(in, "CV260329.dat", data, problems);
    EXPECT_EQ(data.scatter.Size(), 18u);
    for (int minutes = 60; minutes < 240; minutes += 10) {
        const auto& column = data.scatter.Column(0);
        EXPECT_NE(std::find(column.begin(), column.end(), minutes), column.end()) << minutes;
    }
    ASSERT_EQ(problems.Count(), 1u);
    EXPECT_EQ(problems.Kept()[0].line, 13u);  // the T record of 02:00
    EXPECT_TRUE(problems.Kept()[0].what.starts_with("T record in the hour skipped"))
        << problems.Kept()[0].what;
    // The same night read again is held once.
    std::istringstream again(log);
    ReadLog(again, "CV260329.dat", data, problems);
    EXPECT_EQ(data.scatter.Size(), 18u);
}

TEST(TrendReduction, KeepsEveryColumnsExtremesAndBreaksTheLineAtGapsAndMissingValues) {
    std::vector<double> times, values;
    for (int i = 0; i < 10000; ++i) {
        if ((i >= 5000 && i < 6000) || (i >= 7020 && i < 7070)) continue;  // gaps across and within columns
        times.push_back(i);
        values.push_back(std::sin(i * 0.37) * (i % 97));
    }
    values[200] = NAN;
    const std::size_t columns = 100;
    const ReducedSeries reduced = ReduceToColumns(times, values, 0, 9999, columns, 3 * TypicalStep(times));
    EXPECT_LE(reduced.time.size(), 2 * columns + 4);
    EXPECT_TRUE(std::is_sorted(reduced.time.begin(), reduced.time.end()));
    // Every column's minimum and maximum of the raw values are among the reduced points.
    for (std::size_t c = 0; c < columns; ++c) {
        double low = INFINITY, high = -INFINITY;
        for (std::size_t i = 0; i < times.size(); ++i)
            if (std::floor(times[i] / 99.99) == static_cast<double>(c) && !std::isnan(values[i])) {
                low = std::min(low, values[i]);
                high = std::max(high, values[i]);
            }
        if (std::isinf(low)) continue;
        for (const double extreme : {low, high})
            EXPECT_NE(std::find(reduced.value.begin(), reduced.value.end(), extreme), reduced.value.end()) << c;
    }
    auto breaksBetween = [&](double from, double to) {
        for (std::size_t i = 0; i < reduced.time.size(); ++i)
            if (std::isnan(reduced.value[i]) && reduced.time[i] >= from && reduced.time[i] <= to) return true;
        return false;
    };
    EXPECT_TRUE(breaksBetween(4999, 6000));
    EXPECT_TRUE(breaksBetween(199, 200));
    EXPECT_TRUE(breaksBetween(7019, 7070));
    EXPECT_FALSE(breaksBetween(7071, 9999));
}

TEST(TrendPlausibility, MarksBackAboveTotalNegativeAndStuckValues) {
    TrendData data;
    for (int i = 0; i < 4000; ++i) {
        const double t = 1e9 + i;
        const double total = i % 10 + 10;  // changes every second
        const double backBlue = i >= 100 && i < 110 ? total + 1 : 1 + i % 3;
        const double backGreen = i == 500 ? -0.5 : 1 + i % 3;
        const double backRed = 1 + i % 3;
        // A zero period (and a blanking one) sends near-zero, negative and back-above-total values by design.
        const char mode = i >= 2000 && i < 2010 ? 'Z' : i >= 2010 && i < 2015 ? 'B' : 'N';
        const double backOrZero = mode == 'N' ? backRed : 0.5 - total;
        data.scatter.Add(t, {total, total, mode == 'N' ? total : -total, backBlue, backGreen, backOrZero}, mode);
        data.aux.Add(t, {1013.0 + i % 3, 300.0 + i % 2, 299.0 + i % 2, 45.5}, 0);  // humidity stuck all along
    }
    const auto marks = FindPlausibilityMarks(data, 1e9, 1e9 + 3999, 1);
    auto find = [&](MarkKind kind, bool aux, std::size_t column) {
        std::vector<std::pair<double, double>> found;
        for (const auto& m : marks)
            if (m.kind == kind && m.aux == aux && m.column == column) found.emplace_back(m.start - 1e9, m.end - 1e9);
        return found;
    };
    using Spans = std::vector<std::pair<double, double>>;
    EXPECT_EQ(find(MarkKind::BackAboveTotal, false, 3), (Spans{{100, 109}}));
    EXPECT_EQ(find(MarkKind::Negative, false, 4), (Spans{{500, 500}}));
    EXPECT_EQ(find(MarkKind::Stuck, true, 3), (Spans{{0, 3999}}));
    EXPECT_EQ(marks.size(), 3u);
    // A window shorter than an hour still sees the stretch it lies in; under an hour is no mark.
    const auto late = FindPlausibilityMarks(data, 1e9 + 3500, 1e9 + 3598, 1);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].kind, MarkKind::Stuck);
    TrendData shortRun;
    for (int i = 0; i < 3599; ++i) shortRun.aux.Add(i, {1, 2, 3, 4}, 0);
    EXPECT_TRUE(FindPlausibilityMarks(shortRun, 0, 4000, 1).empty());
}

TEST(TrendCsv, WritesOneRowPerTimeWithEmptyCellsWhereASeriesHasNoValue) {
    TrendData data;
    const double t = Local(2026, 12, 6, 14, 30, 7);
    data.scatter.Add(t, {12.3, 2, 3, 0.1, 0.2, NAN}, 'N');
    data.aux.Add(t + 1, {1013.2, 300, 299.5, 40}, 0);
    data.scatter.Add(t + 60, {1e-5, 2, 3, 0.1, 0.2, 0.3}, 'N');
    std::ostringstream out;
    WriteCsv(out, data, t, t + 60);
    const std::string iso = IsoLocalTime(t);
    EXPECT_EQ(iso.substr(0, 19), "2026-12-06T14:30:07");
    EXPECT_EQ(iso[22], ':');
    EXPECT_EQ(out.str(),
              "time,Total Blue,Total Green,Total Red,Back Blue,Back Green,Back Red,Inlet Pressure,Sample Temp,"
              "Inlet Temp,Rel Humidity\r\n" +
                  iso + ",12.3,2,3,0.1,0.2,,,,,\r\n" + IsoLocalTime(t + 1) + ",,,,,,,1013.2,300,299.5,40\r\n" +
                  IsoLocalTime(t + 60) + ",1e-05,2,3,0.1,0.2,0.3,,,,\r\n");
}
