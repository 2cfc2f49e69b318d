// The hourly writer of a run: an hour's file when a later hour's record comes or its grace is over, each
// hour once, gaps journaled and failed writes retried.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "ArchiveTestSupport.h"
#include "NasaAmesReader.h"
#include "archive/HourlyArchive.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class HourlyArchive : public ::testing::Test {
protected:
    HourlyArchive() {
        UseTimeZone(kCentralEurope);
        setenv("XDG_STATE_HOME", (m_folder.Path() / "state").c_str(), 1);
    }

    std::unique_ptr<CHourlyArchive> MakeArchive(fs::path outbox = {}) {
        return std::make_unique<CHourlyArchive>(TestStation(outbox.empty() ? Outbox() : outbox), 60s,
                                                [](const HourKey&) { return false; });
    }
    fs::path Outbox() const { return m_folder.Path() / "outbox"; }
    std::string Journal() const { return ReadText(m_folder.Path() / "state/corvane/events.log"); }

    // The records of the minutes that end after from up to to, each arriving a second after its time.
    static void Run(CHourlyArchive& archive, std::time_t from, std::time_t to) {
        for (std::time_t t = from + 60; t <= to; t += 60) {
            archive.SetClock(t + 1);
            for (const std::string& line : RecordSet(t)) archive.AddLine(line);
        }
    }

    // The outbox's files, each checked by the independent reader, by name.
    std::map<std::string, NasaAmesFile> ReadOutbox() const {
        std::map<std::string, NasaAmesFile> files;
        for (const std::string& name : FileNames(Outbox())) {
            files[name] = ReadNasaAmes(ReadText(Outbox() / name));
            EXPECT_EQ(files[name].problems, std::vector<std::string>()) << name;
        }
        return files;
    }

    TempFolder m_folder;
};

// The hour ids of the files, in order.
std::vector<std::string> Hours(const std::map<std::string, NasaAmesFile>& files) {
    std::vector<std::string> hours;
    for (const auto& [name, file] : files) hours.push_back(HourKeyOfFileName(name).value().Id());
    return hours;
}

struct TurnOfDay {
    const char* name;
    const char* start;  // UTC: half an hour before the hour that holds the turn
};

class HourlyArchiveAcross : public HourlyArchive, public ::testing::WithParamInterface<TurnOfDay> {};

TEST_P(HourlyArchiveAcross, EachHourIsWrittenOnceWithItsRowsAndItsYear) {
    const std::time_t start = Utc(GetParam().start);
    auto archive = MakeArchive();
    Run(*archive, start, start + 2 * 3600 + 2400);  // to ten past the third hour

    const std::map<std::string, NasaAmesFile> files = ReadOutbox();
    const std::time_t firstHour = start - 1800;
    ASSERT_EQ(Hours(files), (std::vector<std::string>{HourKey{"NO0042R", firstHour}.Id(),
                                                      HourKey{"NO0042R", firstHour + 3600}.Id(),
                                                      HourKey{"NO0042R", firstHour + 7200}.Id()}));
    std::vector<std::size_t> rows;
    for (const auto& [name, file] : files) rows.push_back(file.rows.size());
    EXPECT_EQ(rows, (std::vector<std::size_t>{30, 60, 60}));
}

INSTANTIATE_TEST_SUITE_P(Archive, HourlyArchiveAcross,
                         ::testing::Values(TurnOfDay{"MonthEnd", "2026-11-30 22:30"},
                                           TurnOfDay{"YearEnd", "2026-12-31 22:30"},
                                           TurnOfDay{"SummerMidnight", "2026-06-15 21:30"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HourlyArchive, AnHourIsWrittenOnlyWhenItsGraceIsOverIfNoLaterRecordComes) {
    auto archive = MakeArchive();
    Run(*archive, Utc("2026-12-01 12:00"), Utc("2026-12-01 13:00"));
    archive->SetClock(Utc("2026-12-01 13:05:00"));
    EXPECT_TRUE(FileNames(Outbox()).empty());
    archive->SetClock(Utc("2026-12-01 13:05:01"));
    const auto files = ReadOutbox();
    ASSERT_EQ(Hours(files), std::vector<std::string>{HourAt("2026-12-01 12:00")});
    EXPECT_EQ(files.begin()->second.rows.size(), 60u);  // the last row too, though no time record followed it
}

TEST_F(HourlyArchive, AnHourWithoutRecordsGetsAJournalLineAndAnHourCutShortHoldsWhatCame) {
    auto archive = MakeArchive();
    Run(*archive, Utc("2026-12-01 13:00"), Utc("2026-12-01 13:20"));
    for (std::time_t pc = Utc("2026-12-01 13:21"); pc <= Utc("2026-12-01 15:30"); pc += 60)
        archive->SetClock(pc);
    Run(*archive, Utc("2026-12-01 15:30"), Utc("2026-12-01 16:10"));

    const auto files = ReadOutbox();
    ASSERT_EQ(Hours(files),
              (std::vector<std::string>{HourAt("2026-12-01 13:00"), HourAt("2026-12-01 15:00")}));
    EXPECT_EQ(files.begin()->second.rows.size(), 20u);
    EXPECT_EQ(files.rbegin()->second.rows.size(), 30u);
    const std::string journal = Journal();
    EXPECT_NE(journal.find("archive-no-records no record in the hour 2026-12-01T14:00Z"), std::string::npos)
        << journal;
    EXPECT_EQ(journal.find("archive-no-records", journal.find("archive-no-records") + 1), std::string::npos);
    EXPECT_EQ(archive->GetCounts().emptyHours, 1u);
}

TEST_F(HourlyArchive, AFileThatCannotBeWrittenIsJournaledAndWrittenWhenItCanBe) {
    const fs::path blocker = m_folder.Path() / "blocker";
    WriteText(blocker, "a file where the outbox's folder should be");
    auto archive = MakeArchive(blocker / "outbox");
    Run(*archive, Utc("2026-12-01 12:00"), Utc("2026-12-01 13:05"));
    EXPECT_EQ(archive->GetCounts().filesWritten, 0u);
    EXPECT_NE(Journal().find("archive-write-failed the hour 2026-12-01T12:00Z"), std::string::npos);

    fs::remove(blocker);
    archive->SetClock(Utc("2026-12-01 13:06:02"));
    EXPECT_EQ(FileNames(blocker / "outbox").size(), 1u);
    EXPECT_EQ(archive->GetCounts().filesWritten, 1u);
    EXPECT_NE(Journal().find("archive-written "), std::string::npos);
}

}  // namespace
