// The hourly writer of a run: an hour's file when a later hour's record comes or its grace is over, each
// hour once, gaps journaled and failed writes retried.
#include <gtest/gtest.h>

#include <memory>

#include "ArchiveTestSupport.h"
#include "archive/HourlyArchive.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Hour ids with their files' row counts.
using HourRows = std::vector<std::pair<std::string, std::size_t>>;

class HourlyArchive : public ArchiveFolderTest {
protected:
    std::unique_ptr<CHourlyArchive> MakeArchive(const fs::path& outbox) {
        return std::make_unique<CHourlyArchive>(TestStation(outbox), 60s,
                                                [](const HourKey&) { return false; });
    }
    // The records of the minutes that end after from up to to, each arriving a second after its time.
    static void Run(CHourlyArchive& archive, std::time_t from, std::time_t to) {
        for (std::time_t t = from + 60; t <= to; t += 60) {
            archive.SetClock(t + 1);
            for (const std::string& line : RecordSet(t)) archive.AddLine(line);
        }
    }
    // The outbox's files as hour ids and their row counts, in order.
    HourRows Hours() const {
        HourRows hours;
        for (const std::string& name : FileNames(Outbox()))
            hours.emplace_back(HourKeyOfFileName(name).value().Id(), Read(name).rows.size());
        return hours;
    }
};

// A name, and half an hour before the hour that holds the turn (UTC).
class HourlyArchiveAcross : public HourlyArchive,
                            public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(HourlyArchiveAcross, EachHourIsWrittenOnceWithItsRowsAndItsYear) {
    const std::time_t start = Utc(GetParam().second);
    const auto archive = MakeArchive(Outbox());
    Run(*archive, start, start + 2 * 3600 + 2400);  // to ten past the third hour
    const std::time_t first = start - 1800;
    EXPECT_EQ(Hours(), (HourRows{{HourKey{"NO0042R", first}.Id(), 30},
                                 {HourKey{"NO0042R", first + 3600}.Id(), 60},
                                 {HourKey{"NO0042R", first + 7200}.Id(), 60}}));
}

INSTANTIATE_TEST_SUITE_P(Archive, HourlyArchiveAcross,
                         ::testing::Values(std::pair("MonthEnd", "2026-11-30 22:30"),
                                           std::pair("YearEnd", "2026-12-31 22:30"),
                                           std::pair("SummerMidnight", "2026-06-15 21:30")),
                         [](const auto& info) { return std::string(info.param.first); });

TEST_F(HourlyArchive, AnHourIsWrittenOnlyWhenItsGraceIsOverIfNoLaterRecordComes) {
    auto archive = MakeArchive(Outbox());
    Run(*archive, Utc("2026-12-01 12:00"), Utc("2026-12-01 13:00"));
    archive->SetClock(Utc("2026-12-01 13:05:00"));
    EXPECT_TRUE(FileNames(Outbox()).empty());
    archive->SetClock(Utc("2026-12-01 13:05:01"));
    // The last row too, though no time record followed it.
    EXPECT_EQ(Hours(), (HourRows{{HourAt("2026-12-01 12:00"), 60}}));
}

TEST_F(HourlyArchive, AnHourWithoutRecordsGetsAJournalLineAndAnHourCutShortHoldsWhatCame) {
    auto archive = MakeArchive(Outbox());
    Run(*archive, Utc("2026-12-01 13:00"), Utc("2026-12-01 13:20"));
    for (std::time_t pc = Utc("2026-12-01 13:21"); pc <= Utc("2026-12-01 15:30"); pc += 60)
        archive->SetClock(pc);
    Run(*archive, Utc("2026-12-01 15:30"), Utc("2026-12-01 16:10"));

    EXPECT_EQ(Hours(), (HourRows{{HourAt("2026-12-01 13:00"), 20}, {HourAt("2026-12-01 15:00"), 30}}));
    const std::string journal = Journal();
    EXPECT_NE(journal.find("archive-no-records no record in the hour 2026-12-01T14:00Z"), std::string::npos);
    EXPECT_EQ(journal.find("archive-no-records"), journal.rfind("archive-no-records")) << journal;
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
