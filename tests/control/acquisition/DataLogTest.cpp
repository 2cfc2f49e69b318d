// The data log files without a window: names, rollover, the append writer and its failures, and
// the daily size estimate.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "control/DataLog.h"

namespace fs = std::filesystem;

namespace {

std::time_t LocalTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "corvane-log-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(m_path); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// Lowers the file size limit for one test, with SIGXFSZ ignored so that writes past it fail with
// EFBIG instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int);
};

}  // namespace

TEST(DataLogNames, DefaultNameCarriesTwoDigitYearMonthAndDay) {
    EXPECT_EQ(CDataLog::DefaultFileName(LocalTime(2005, 9, 20)), "CV050920.dat");
    EXPECT_EQ(CDataLog::DefaultFileName(LocalTime(2000, 1, 1, 0, 0, 0)), "CV000101.dat");
    EXPECT_EQ(CDataLog::DefaultFileName(LocalTime(2031, 12, 31, 23, 59, 59)), "CV311231.dat");
}

TEST(DataLogNames, NextFileKeepsThePrefixAndExtensionOfTheChosenName) {
    struct Case {
        const char* current;
        const char* next;
    };
    const Case cases[] = {
        {"CV050920.dat", "CV050921.dat"},
        {"SITE050920.DAT", "SITE050921.DAT"},
        {"log.dat", "lo050921.dat"},
        {"results.txt", "re050921.txt"},
        {"a.dat", "a.050921.dat"},                 // the two-character prefix takes the dot
        {"CV050920.dat.bak", "CV050921.dat.bak"},  // the first dot starts the extension
        {"STATION1_050920.csv", "STATION1_050921.csv"},
        {"", "050921"},
    };
    for (const Case& c : cases) {
        CDataLog log;
        log.m_strLogFile = c.current;
        log.StartNewLogFile(LocalTime(2005, 9, 21));
        EXPECT_EQ(log.m_strLogFile, c.next) << "from " << c.current;
    }
}

TEST(DataLogNames, ChosenPathSplitsIntoFolderAndFile) {
    CDataLog log;
    log.SetLogFilePath("/data/station/SITE050920.DAT");
    EXPECT_EQ(log.m_strLogPath, "/data/station/");
    EXPECT_EQ(log.m_strLogFile, "SITE050920.DAT");
    EXPECT_EQ(log.FullPath(), "/data/station/SITE050920.DAT");

    for (const auto& [given, expected] : {std::pair{"/data", "/data/"}, std::pair{"/data/", "/data/"},
                                          std::pair{"/data\\", "/data/"}, std::pair{"", "/"}}) {
        log.SetLogFolder(given);
        EXPECT_EQ(log.m_strLogPath, expected) << "from " << given;
    }
}

TEST(DataLogRollover, DailyFileStartsOnTheFirstLineOfANewDay) {
    CDataLog log;
    log.m_nLogDay = 20;
    log.m_strLogFile = "CV050920.dat";
    EXPECT_FALSE(log.RollOver(LocalTime(2005, 9, 20, 23, 59, 59), CDataLog::kDaily));
    EXPECT_EQ(log.m_strLogFile, "CV050920.dat");
    EXPECT_TRUE(log.RollOver(LocalTime(2005, 9, 21, 0, 0, 0), CDataLog::kDaily));
    EXPECT_EQ(log.m_strLogFile, "CV050921.dat");
    EXPECT_EQ(log.m_nLogDay, 21);
    EXPECT_FALSE(log.RollOver(LocalTime(2005, 9, 21, 0, 0, 1), CDataLog::kDaily));
    // Only the day of month is compared: the same day a month later starts nothing.
    EXPECT_FALSE(log.RollOver(LocalTime(2005, 10, 21), CDataLog::kDaily));
}

TEST(DataLogRollover, WeeklyFileStartsOnTheFirstSundayOnly) {
    CDataLog log;
    log.m_nLogDay = 21;  // started on Wednesday 21 September 2005
    log.m_strLogFile = "CV050921.dat";
    for (int day = 22; day <= 24; ++day) {
        EXPECT_FALSE(log.RollOver(LocalTime(2005, 9, day), CDataLog::kWeekly)) << day;
        EXPECT_EQ(log.m_nLogDay, day);
    }
    EXPECT_EQ(log.m_strLogFile, "CV050921.dat");
    EXPECT_TRUE(log.RollOver(LocalTime(2005, 9, 25, 0, 0, 5), CDataLog::kWeekly));
    EXPECT_EQ(log.m_strLogFile, "CV050925.dat");
    EXPECT_FALSE(log.RollOver(LocalTime(2005, 9, 25, 18, 0, 0), CDataLog::kWeekly));
}

TEST(DataLogRollover, NoLengthSelectedNeverStartsAFile) {
    CDataLog log;
    log.m_nLogDay = 20;
    log.m_strLogFile = "CV050920.dat";
    EXPECT_FALSE(log.RollOver(LocalTime(2005, 9, 25), 65535));
    EXPECT_EQ(log.m_strLogFile, "CV050920.dat");
    EXPECT_EQ(log.m_nLogDay, 25);
}

TEST(DataLogRollover, InstrumentDateBehindTheComputerStartsItsOwnFileAtOnce) {
    // Computer on 1 September at start-up, instrument clock still on 31 August.
    CDataLog log;
    const std::time_t computer = LocalTime(2005, 9, 1, 0, 10, 0);
    log.MakeLogFileName(computer);
    log.DayChanged(computer);
    EXPECT_EQ(log.m_strLogFile, "CV050901.dat");  // what the file dialog proposes

    EXPECT_TRUE(log.RollOver(LocalTime(2005, 8, 31, 23, 59, 0), CDataLog::kDaily));
    EXPECT_EQ(log.m_strLogFile, "CV050831.dat");
}

TEST(DataLogAppend, LinesAreAppendedWithCrLfToNewAndExistingFiles) {
    TempFolder folder;
    CDataLog log;
    log.SetLogFolder(folder.path().string());
    log.m_strLogFile = "CV050920.dat";
    {
        std::ofstream existing(folder.path() / "CV050920.dat", std::ios::binary);
        existing << "T,2005,09,20,14,00,00\r\n";
    }
    ASSERT_TRUE(log.AppendLine("D,NBXX,300,1.2e-05,2.3e-05,3.4e-05,4.5e-06,5.6e-06,6.7e-06"));
    ASSERT_TRUE(log.AppendLine(""));
    EXPECT_EQ(ReadFile(folder.path() / "CV050920.dat"),
              "T,2005,09,20,14,00,00\r\n"
              "D,NBXX,300,1.2e-05,2.3e-05,3.4e-05,4.5e-06,5.6e-06,6.7e-06\r\n"
              "\r\n");

    log.m_strLogFile = "new.dat";
    ASSERT_TRUE(log.AppendLine("Y,1"));
    EXPECT_EQ(ReadFile(folder.path() / "new.dat"), "Y,1\r\n");
}

TEST(DataLogAppend, FailsWhenTheFolderIsGoneOrAnotherWriterHoldsTheFile) {
    TempFolder folder;
    CDataLog log;
    log.SetLogFolder((folder.path() / "removed").string());
    log.m_strLogFile = "CV050920.dat";
    errno = 0;
    EXPECT_FALSE(log.AppendLine("T,1"));
    EXPECT_EQ(errno, ENOENT);

    log.SetLogFolder(folder.path().string());
    const int other = open(log.FullPath().c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    errno = 0;
    EXPECT_FALSE(log.AppendLine("T,2"));
    EXPECT_EQ(errno, EWOULDBLOCK);
    close(other);  // releases the lock: the next line goes in
    EXPECT_TRUE(log.AppendLine("T,3"));
    EXPECT_EQ(ReadFile(log.FullPath()), "T,3\r\n");
}

TEST(DataLogAppend, AFullDiskLeavesNoPartialLineAndLoggingResumesAfterwards) {
    TempFolder folder;
    CDataLog log;
    log.SetLogFolder(folder.path().string());
    log.m_strLogFile = "CV050920.dat";
    ASSERT_TRUE(log.AppendLine("T,2005,09,20,14,00,00"));
    const std::string before = ReadFile(log.FullPath());
    {
        // Room for 5 more bytes: the line is written in part, then the rest fails with EFBIG.
        FileSizeLimit limit(before.size() + 5);
        errno = 0;
        EXPECT_FALSE(log.AppendLine("D,NBXX,300,1.2e-05"));
        EXPECT_EQ(errno, EFBIG);
        EXPECT_EQ(ReadFile(log.FullPath()), before);
        EXPECT_FALSE(log.AppendLine("D,NBXX,301,1.2e-05"));
        EXPECT_EQ(ReadFile(log.FullPath()), before);
    }
    ASSERT_TRUE(log.AppendLine("D,NBXX,302,1.2e-05"));
    EXPECT_EQ(ReadFile(log.FullPath()), before + "D,NBXX,302,1.2e-05\r\n");
}

TEST(DataLogAppend, ADeviceThatRefusesEveryWriteIsReported) {
    CDataLog log;
    log.SetLogFolder("/dev");
    log.m_strLogFile = "full";
    errno = 0;
    EXPECT_FALSE(log.AppendLine("T,1"));
    EXPECT_EQ(errno, ENOSPC);
}

TEST(DataLogSize, WorkedExamplesOfTheDailyEstimate) {
    LogContent dataTimeZero;
    dataTimeZero.bData = dataTimeZero.bTime = dataTimeZero.bZero = true;
    EXPECT_EQ(EstimateDailyLogBytes("1", "3600", dataTimeZero), 8556000);

    LogContent all;
    all.nModel = 1;
    all.bTime = all.bData = all.bPhoton = all.bAux = all.bZero = true;
    // 380 bytes per period for 288 periods, plus 100 bytes for each of 24 zeros.
    EXPECT_EQ(EstimateDailyLogBytes("300", "3600", all), 109440 + 2400);
    all.bZero = false;
    EXPECT_EQ(EstimateDailyLogBytes("300", "3600", all), 109440);
}

TEST(DataLogSize, PhotonWeightFollowsTheModel) {
    LogContent photon;
    photon.bPhoton = true;
    const std::pair<std::uint16_t, std::int64_t> weights[] = {{0, 80}, {1, 240}, {2, 0}, {3, 0}};
    for (const auto& [model, bytes] : weights) {
        photon.nModel = model;
        EXPECT_EQ(EstimateDailyLogBytes("86400", "86400", photon), bytes) << "model " << model;
    }
}

TEST(DataLogSize, NoEstimateWithoutBothTimingValues) {
    const LogContent content{0, true, true, false, false, true};
    for (const auto& [averaging, autoZero] :
         {std::pair{"0", "3600"}, std::pair{"300", "0"}, std::pair{"", "3600"}, std::pair{"300", ""},
          std::pair{"WriteComm", "3600"}, std::pair{"300", "abc"}}) {
        EXPECT_FALSE(EstimateDailyLogBytes(averaging, autoZero, content).has_value())
            << averaging << " / " << autoZero;
    }
    // Text after the digits is ignored, as in every number the instrument reports.
    EXPECT_EQ(EstimateDailyLogBytes(" 300s", "3600 ", content), (22 + 77) * 288 + 2400);
}
