// The program's archive export between the run's record stream and the hourly writer: the log read back
// at a run's start, live records taken once, the replay's span by the instrument's clock, a new averaging.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <mutex>
#include <thread>

#include "ArchiveExport.h"
#include "ArchiveTestSupport.h"
#include "archive/HourKey.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class ArchiveExport : public ArchiveFolderTest {
protected:
    ArchiveExport() {
        fs::create_directories(LogFolder());
        m_status.logging = true;
        m_status.averagingSeconds = 60;
    }

    // The export starts at once: its uploader tries a closed port and keeps every file in the outbox.
    void StartExport() {
        StationConfig station = TestStation(Outbox());
        station.upload = {"archive", "127.0.0.1", 1, "/upload/"};
        station.uploadKeyFile = (m_folder.Path() / "key").string();
        WriteText(station.uploadKeyFile, "not a key: the connection fails before it is read");
        chmod(station.uploadKeyFile.c_str(), 0600);
        station.uploadHostKey = "SHA256:" + std::string(43, 'A');
        m_export = std::make_unique<CArchiveExport>(station, m_stream, [this] {
            const std::lock_guard lock(m_statusLock);
            return m_status;
        });
        ASSERT_EQ(m_export->Start(), std::vector<std::string>());
    }

    void SetAveraging(int seconds) {
        const std::lock_guard lock(m_statusLock);
        m_status.averagingSeconds = seconds;
    }

    // Appends lines to the log file m_logName as the run core does before it publishes them (CR LF each).
    void Log(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        AppendRaw(text);
    }
    void AppendRaw(const std::string& text) {
        std::ofstream(LogFolder() / m_logName, std::ios::binary | std::ios::app) << text;
        const std::lock_guard lock(m_statusLock);
        m_status.logFile = (LogFolder() / m_logName).string();
    }
    void Publish(const std::vector<std::string>& lines) {
        RecordBatch batch;
        for (const std::string& line : lines)
            batch.push_back(MakeReceivedRecord(line, std::chrono::system_clock::now()));
        m_stream.Publish(std::move(batch));
    }
    // Logs the periods that end after from up to to, every step.
    void LogPeriods(std::time_t from, std::time_t to, std::time_t step = 60) {
        for (std::time_t t = from + step; t <= to; t += step) Log(RecordSet(t));
    }
    // Logs (when the run logs) and publishes the periods, one batch each.
    void Run(std::time_t from, std::time_t to, std::time_t step = 60) {
        for (std::time_t t = from + step; t <= to; t += step) {
            if (m_status.logging) Log(RecordSet(t));
            Publish(RecordSet(t));
        }
    }

    fs::path LogFolder() const { return m_folder.Path() / "logs"; }
    // The outbox's file of the hour once it is there; empty after 20 s.
    std::string WaitForHour(std::time_t hour) const {
        const auto named = [&] {
            for (const std::string& name : FileNames(Outbox()))
                if (HourKeyOfFileName(name)->start == hour) return name;
            return std::string();
        };
        WaitUntil([&] { return !named().empty(); }, 20s);
        return named();
    }
    // The export's figure of that name; nothing when it is absent.
    std::optional<double> Metric(const std::string& name) const {
        for (const MetricFamily& family : m_export->MetricFamilies())
            if (family.name == name && !family.samples.empty()) return family.samples.front().value;
        return std::nullopt;
    }

    std::string m_logName = "CV261201.dat";
    CRecordStream m_stream;
    std::mutex m_statusLock;
    RunStatus m_status;
    std::unique_ptr<CArchiveExport> m_export;
};

// The cell of a row under a column title.
std::string Cell(const NasaAmesFile& file, std::size_t row, const std::string& title) {
    const auto column = std::find(file.titles.begin(), file.titles.end(), title);
    return file.rows.at(row).at(static_cast<std::size_t>(column - file.titles.begin()));
}

bool Missing(const std::string& cell) {
    return cell.find_first_not_of("9.") == std::string::npos;
}

// A name, and the UTC day of the instrument's clock, days or years off the PC's: the log is read back
// for the day before the instrument's time, whatever the PC's clock says.
class ArchiveExportClock : public ArchiveExport,
                           public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
protected:
    std::time_t At(const char* time) const {
        return Utc((std::string(GetParam().second) + " " + time).c_str());
    }
    // The name of the log file of the instrument's day at that time.
    static std::string LogName(std::time_t time) {
        char name[16];
        std::strftime(name, sizeof name, "CV%y%m%d.dat", std::gmtime(&time));
        return name;
    }
};

TEST_P(ArchiveExportClock, TheFirstRecordsOfARunAreTakenOnceWhetherTheLogHadThemWholeInPartOrNotAtAll) {
    // A killed program logged up to 10:40 UTC, and three days before; the new run's first period ends at
    // 10:51, and its log line for Y is still being appended when the log is read back.
    const std::time_t threeDaysBefore = At("09:00") - 3 * 86400;
    m_logName = LogName(threeDaysBefore);
    LogPeriods(threeDaysBefore, threeDaysBefore + 7200);
    m_logName = LogName(At("09:00"));
    LogPeriods(At("09:30"), At("10:40"));
    const std::vector<std::string> first = RecordSet(At("10:51"));
    Log({first[0], first[1]});
    AppendRaw(first[2].substr(0, 10));
    StartExport();
    Publish({first[0]});  // the time record alone, as a batch may come
    ASSERT_NE(WaitForHour(At("09:00")), "") << "the log read back";
    AppendRaw(first[2].substr(10) + "\r\n");
    Publish({first[1], first[2]});
    Run(At("10:51"), At("11:02"));  // the row of 11:01 closes the hour

    const std::string name = WaitForHour(At("10:00"));
    ASSERT_NE(name, "") << Journal();
    const NasaAmesFile hour = Read(name);
    ASSERT_EQ(hour.rows.size(), 40u + 10u);  // 10:01 to 10:40, 10:51 to 11:00
    for (const char* title : {"sc450", "p_inlet"}) EXPECT_FALSE(Missing(Cell(hour, 40, title))) << title;
    for (const char* word : {"archive-lines-unread", "archive-records-late"})
        EXPECT_EQ(Journal().find(word), std::string::npos) << Journal();
    for (const char* figure : {"corvane_archive_lines_unread_total", "corvane_archive_records_late_total"})
        EXPECT_EQ(Metric(figure), 0.0) << figure;
    EXPECT_EQ(Metric("corvane_archive_files_written_total"), 2.0);  // not the hours three days before
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveExportClock,
                         ::testing::Values(std::pair("DaysBehind", "2026-12-01"),
                                           std::pair("YearsBehind", "2020-03-13"),
                                           std::pair("YearsAhead", "2031-03-13")),
                         [](const auto& info) { return std::string(info.param.first); });

// Rows of one minute up to 10:30 come in this program's run before, or are only in the log of a
// program before this one; then the run's averaging time is five minutes.
class ArchiveExportAveraging : public ArchiveExport, public ::testing::WithParamInterface<bool> {};

TEST_P(ArchiveExportAveraging, ANewAveragingTimeClosesTheHourOfTheOldOneAndTheNextFilesAreOfTheNew) {
    const std::time_t runFrom = Utc("2026-12-01 10:40");
    const std::time_t logged = Utc("2026-12-01 10:50");
    if (GetParam()) {
        LogPeriods(Utc("2026-12-01 10:00"), Utc("2026-12-01 10:30"));
        SetAveraging(300);
        // The run's first periods are in the log by the time the export reads it back.
        LogPeriods(runFrom, logged, 300);
        StartExport();
        for (std::time_t t = runFrom + 300; t <= logged; t += 300) Publish(RecordSet(t));
    } else {
        StartExport();
        Run(Utc("2026-12-01 10:00"), Utc("2026-12-01 10:30"));
        // A new run takes seconds to start: the export has taken the old run's records by then.
        std::this_thread::sleep_for(1s);
        SetAveraging(300);
        Run(runFrom, logged, 300);
    }
    Run(logged, Utc("2026-12-01 12:10"), 300);

    const std::string eleven = WaitForHour(Utc("2026-12-01 11:00"));
    ASSERT_NE(eleven, "") << Journal();
    const std::vector<std::string> names = FileNames(Outbox());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_NE(names[0].find(".1h.1mn."), std::string::npos) << names[0];
    EXPECT_EQ(Read(names[0]).rows.size(), 30u);
    EXPECT_NE(eleven.find(".1h.5mn."), std::string::npos) << eleven;
    const NasaAmesFile hour = Read(eleven);
    ASSERT_EQ(hour.rows.size(), 12u);                      // 11:05 to 12:00
    EXPECT_EQ(Cell(hour, 0, "start_time"), "334.458333");  // 11:00, five minutes before its end
    EXPECT_NE(Journal().find("archive-averaging-changed the instrument's averaging time changed from 60 s to "
                             "300 s; the hour 2026-12-01T10:00Z is written now"),
              std::string::npos)
        << Journal();
    // The new averaging time's rows of 10:45 to 11:00 are said to stay in the log, not taken as late.
    EXPECT_EQ(Journal().find("archive-records-late"), std::string::npos) << Journal();
    EXPECT_EQ(Metric("corvane_archive_records_late_total"), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveExportAveraging, ::testing::Bool(), [](const auto& info) {
    return info.param ? "InAProgramBefore" : "InThisProgramsRun";
});

TEST_F(ArchiveExport, WithoutALogTheFilesHoldTheLiveRecords) {
    // A killed program's log of the hour before is not the run's: a run that does not log reads none back.
    LogPeriods(Utc("2026-12-01 09:00"), Utc("2026-12-01 10:00"));
    m_status.logging = false;
    m_status.logFile.clear();
    StartExport();
    Run(Utc("2026-12-01 10:20"), Utc("2026-12-01 11:02"));

    const std::string name = WaitForHour(Utc("2026-12-01 10:00"));
    ASSERT_NE(name, "") << Journal();
    EXPECT_EQ(Read(name).rows.size(), 40u);  // 10:21 to 11:00
    EXPECT_EQ(FileNames(Outbox()), std::vector<std::string>{name});
}

TEST_F(ArchiveExport, RecordsBeforeTheAveragingTimeIsKnownAreToldOnceAndTakenFromTheLogWhenItIs) {
    m_status.averagingSeconds.reset();
    StartExport();
    Run(Utc("2026-12-01 10:00"), Utc("2026-12-01 10:30"));
    ASSERT_TRUE(
        WaitUntil([&] { return Journal().find("archive-averaging-unknown") != std::string::npos; }, 20s));
    SetAveraging(60);
    Run(Utc("2026-12-01 10:30"), Utc("2026-12-01 11:02"));

    const std::string name = WaitForHour(Utc("2026-12-01 10:00"));
    ASSERT_NE(name, "") << Journal();
    EXPECT_EQ(Read(name).rows.size(), 60u);
    EXPECT_EQ(Journal().find("archive-averaging-unknown"), Journal().rfind("archive-averaging-unknown"))
        << "told once:\n"
        << Journal();
}

}  // namespace
