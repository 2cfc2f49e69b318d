// The program's archive export between the run's record stream and the hourly writer: the log read back
// at the first records of a run, the live records it has read skipped exactly once, the replay's span
// by the instrument's clock, and an averaging time that changes between runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <mutex>
#include <thread>

#include "ArchiveExport.h"
#include "ArchiveTestSupport.h"
#include "NasaAmesReader.h"
#include "archive/HourKey.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class ArchiveExport : public ::testing::Test {
protected:
    ArchiveExport() {
        UseTimeZone(kCentralEurope);
        setenv("XDG_STATE_HOME", (m_home.Path() / "state").c_str(), 1);
        fs::create_directories(LogFolder());
        m_status.logging = true;
        m_status.averagingSeconds = 60;
    }

    // The export starts at once: its uploader tries a closed port and keeps every file in the outbox.
    void StartExport() {
        StationConfig station = TestStation(Outbox());
        station.upload = {"archive", "127.0.0.1", 1, "/upload/"};
        station.uploadKeyFile = (m_home.Path() / "key").string();
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

    // Appends lines to the log file as the run core does before it publishes them (CR LF each).
    void Log(const std::vector<std::string>& lines, const char* file = "CV261201.dat") {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        AppendRaw(text, file);
    }
    void AppendRaw(const std::string& text, const char* file = "CV261201.dat") {
        std::ofstream(LogFolder() / file, std::ios::binary | std::ios::app) << text;
        const std::lock_guard lock(m_statusLock);
        m_status.logFile = (LogFolder() / file).string();
    }
    void Publish(const std::vector<std::string>& lines) {
        RecordBatch batch;
        for (const std::string& line : lines)
            batch.push_back(MakeReceivedRecord(line, std::chrono::system_clock::now()));
        m_stream.Publish(std::move(batch));
    }
    // The record lines of the periods that end after from up to to, every step.
    static std::vector<std::string> Periods(std::time_t from, std::time_t to, std::time_t step = 60) {
        std::vector<std::string> lines;
        for (std::time_t t = from + step; t <= to; t += step)
            for (const std::string& line : RecordSet(t)) lines.push_back(line);
        return lines;
    }
    // Logs (when the run logs) and publishes the periods, one batch each.
    void Run(std::time_t from, std::time_t to, std::time_t step = 60) {
        for (std::time_t t = from + step; t <= to; t += step) {
            if (m_status.logging) Log(RecordSet(t));
            Publish(RecordSet(t));
        }
    }

    fs::path LogFolder() const { return m_home.Path() / "logs"; }
    fs::path Outbox() const { return m_home.Path() / "outbox"; }
    std::string Journal() const { return ReadText(m_home.Path() / "state/corvane/events.log"); }
    // The outbox's file of the hour once it is there (checked by the independent reader); empty after 20 s.
    std::string WaitForHour(std::time_t hour) const {
        std::string found;
        WaitUntil(
            [&] {
                for (const std::string& name : FileNames(Outbox()))
                    if (HourKeyOfFileName(name)->start == hour) found = name;
                return !found.empty();
            },
            20s);
        return found;
    }
    // The export's figure of that name; nothing when it is absent.
    std::optional<double> Metric(const std::string& name) const {
        for (const MetricFamily& family : m_export->MetricFamilies())
            if (family.name == name && !family.samples.empty()) return family.samples.front().value;
        return std::nullopt;
    }
    NasaAmesFile Read(const std::string& name) const {
        NasaAmesFile file = ReadNasaAmes(ReadText(Outbox() / name));
        EXPECT_EQ(file.problems, std::vector<std::string>()) << name;
        return file;
    }

    TempFolder m_home;
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

TEST_F(ArchiveExport, TheFirstRecordsOfARunAreTakenOnceWhetherTheLogHadThemWholeInPartOrNotAtAll) {
    // A killed program logged up to 10:40 UTC; the new run's first period ends at 10:51, and its log line
    // for Y is still being appended when the log is read back.
    Log(Periods(Utc("2026-12-01 09:30"), Utc("2026-12-01 10:40")));
    const std::vector<std::string> first = RecordSet(Utc("2026-12-01 10:51"));
    Log({first[0], first[1]});
    AppendRaw(first[2].substr(0, 10));
    StartExport();
    Publish({first[0]});  // the time record alone, as a batch may come
    ASSERT_NE(WaitForHour(Utc("2026-12-01 09:00")), "") << "the log read back";
    AppendRaw(first[2].substr(10) + "\r\n");
    Publish({first[1], first[2]});
    Run(Utc("2026-12-01 10:51"), Utc("2026-12-01 11:02"));  // the row of 11:01 closes the hour

    const std::string name = WaitForHour(Utc("2026-12-01 10:00"));
    ASSERT_NE(name, "") << Journal();
    const NasaAmesFile hour = Read(name);
    ASSERT_EQ(hour.rows.size(), 40u + 10u);  // 10:01 to 10:40, 10:51 to 11:00
    EXPECT_FALSE(Missing(Cell(hour, 40, "sc450")));
    EXPECT_FALSE(Missing(Cell(hour, 40, "p_inlet")));
    EXPECT_EQ(Journal().find("archive-lines-unread"), std::string::npos) << Journal();
    EXPECT_EQ(Journal().find("archive-records-late"), std::string::npos) << Journal();
    EXPECT_EQ(Metric("corvane_archive_lines_unread_total"), 0.0);
    EXPECT_EQ(Metric("corvane_archive_records_late_total"), 0.0);
    EXPECT_EQ(Metric("corvane_archive_files_written_total"), 2.0);
}

struct ClockCase {
    const char* name;
    const char* day;      // UTC "YYYY-MM-DD" of the instrument's clock, years off the PC's
    const char* oldFile;  // a log of three days before
    const char* file;     // the log of the day
};

void PrintTo(const ClockCase& clock, std::ostream* out) {
    *out << clock.name;
}

class ArchiveExportClock : public ArchiveExport, public ::testing::WithParamInterface<ClockCase> {
protected:
    std::time_t At(const char* time) const { return Utc((std::string(GetParam().day) + " " + time).c_str()); }
};

TEST_P(ArchiveExportClock, TheLogIsReadBackForTheDayBeforeTheInstrumentsTimeWhateverThePcsClockSays) {
    const ClockCase& clock = GetParam();
    Log(Periods(At("09:00") - 3 * 86400, At("11:00") - 3 * 86400), clock.oldFile);
    Log(Periods(At("08:50"), At("10:20")), clock.file);
    StartExport();
    Run(At("10:30"), At("11:02"));

    ASSERT_NE(WaitForHour(At("10:00")), "") << Journal();
    std::vector<std::time_t> hours;
    for (const std::string& name : FileNames(Outbox())) hours.push_back(HourKeyOfFileName(name)->start);
    EXPECT_EQ(hours, (std::vector<std::time_t>{At("08:00"), At("09:00"), At("10:00")}));
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveExportClock,
                         ::testing::Values(ClockCase{"Behind", "2020-03-13", "CV200310.dat", "CV200313.dat"},
                                           ClockCase{"Ahead", "2031-03-13", "CV310310.dat", "CV310313.dat"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Rows of one minute up to 10:30 come in this program's run before, or are only in the log of a
// program before this one; then the run's averaging time is five minutes.
class ArchiveExportAveraging : public ArchiveExport, public ::testing::WithParamInterface<bool> {};

TEST_P(ArchiveExportAveraging, ANewAveragingTimeClosesTheHourOfTheOldOneAndTheNextFilesAreOfTheNew) {
    const std::time_t runFrom = Utc("2026-12-01 10:40");
    const std::time_t logged = Utc("2026-12-01 10:50");
    if (GetParam()) {
        Log(Periods(Utc("2026-12-01 10:00"), Utc("2026-12-01 10:30")));
        SetAveraging(300);
        // The run's first periods are in the log by the time the export reads it back.
        Log(Periods(runFrom, logged, 300));
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
    Log(Periods(Utc("2026-12-01 09:00"), Utc("2026-12-01 10:00")));
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
