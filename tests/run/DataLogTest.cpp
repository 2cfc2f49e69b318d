// The data log files without a window: names, rollover, the writer, the lines that wait after a failed
// write, the syncs and their failures, and the daily size estimate.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <iomanip>
#include <sstream>

#include "run/DataLog.h"
#include "run/DeadlineThread.h"

namespace fs = std::filesystem;

namespace {

// "2005-09-20 12:00" in local time.
std::time_t LocalTime(const char* text) {
    std::tm tm{};
    std::istringstream(text) >> std::get_time(&tm, "%Y-%m-%d %H:%M");
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::string ReadFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

using namespace std::chrono_literals;

// A log writing to CV050920.dat in a fresh folder; its syncs recorded, held or failed, its closes failed.
class DataLogAppend : public ::testing::Test {
protected:
    void SetUp() override {
        m_log.SetLogFolder(m_folder.path().toStdString());
        m_log.m_strLogFile = "CV050920.dat";
        m_log.SetFileCalls({[this](int fd) {
                                const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd));
                                std::unique_lock held(m_lock);
                                m_synced.push_back(path.filename().string() + ":" + ReadFile(path));
                                m_changed.notify_all();
                                m_changed.wait(held, [this] { return !m_hold; });
                                return m_failSync ? (errno = EIO, -1) : fdatasync(fd);
                            },
                            [this](int fd) { return close(fd) == 0 && !m_failClose ? 0 : (errno = EIO, -1); }});
    }
    void Set(bool& flag, bool value) {
        const std::lock_guard held(m_lock);
        flag = value;
        m_changed.notify_all();
    }
    bool WaitFor(const std::function<bool()>& done) {
        std::unique_lock held(m_lock);
        return m_changed.wait_for(held, 20s, done);
    }
    // One notification's lines, written at the given time.
    bool Write(std::initializer_list<const char*> lines,
               CDataLog::Clock::time_point now = CDataLog::Clock::now()) {
        for (const char* line : lines) m_log.AddLine(line);
        return m_log.WritePending(now);
    }
    QTemporaryDir m_folder;
    std::mutex m_lock;  // guards what follows
    std::condition_variable m_changed;
    std::vector<std::string> m_synced;
    bool m_hold = false, m_failSync = false, m_failClose = false, m_syncFailed = false;
    CDataLog m_log;
};

}  // namespace

TEST(DataLogNames, DefaultNameTheNameCarriedToTheNextDateAndTheFolder) {
    EXPECT_EQ(CDataLog::DefaultFileName(LocalTime("2005-09-20 12:00")), "CV050920.dat");
    EXPECT_EQ(CDataLog::DefaultFileName(LocalTime("2031-12-31 23:59")), "CV311231.dat");
    const std::pair<const char*, const char*> names[] = {
        {"CV050920.dat", "CV050921.dat"}, {"SITE050920.DAT", "SITE050921.DAT"},
        {"log.dat", "lo050921.dat"},      {"results.txt", "re050921.txt"},
        {"a.dat", "a.050921.dat"},                 // the two-character prefix takes the dot
        {"CV050920.dat.bak", "CV050921.dat.bak"},  // the first dot starts the extension
        {"", "050921"}};
    CDataLog log;
    for (const auto& [current, next] : names) {
        log.m_strLogFile = current;
        log.StartNewLogFile(LocalTime("2005-09-21 12:00"));
        EXPECT_EQ(log.m_strLogFile, next) << "from " << current;
    }
    for (const auto& [given, folder] :
         {std::pair{"/data", "/data/"}, std::pair{"/data\\", "/data/"}, std::pair{"", "/"}}) {
        log.SetLogFolder(given);
        EXPECT_EQ(log.m_strLogPath, folder) << "from " << given;
    }
}

TEST(DataLogRollover, NewFilesStartOnTheFirstLineOfANewDayOrOfASundayOrOfAnEarlierDay) {
    constexpr std::uint16_t kDaily = CDataLog::kDaily, kWeekly = CDataLog::kWeekly, kNone = 65535;
    const struct { std::uint16_t length; const char* time; bool starts; const char* file; } lines[] = {
        {kDaily, "2005-09-20 23:59", false, "CV050920.dat"},
        {kDaily, "2005-09-21 00:00", true, "CV050921.dat"},
        {kDaily, "2005-09-21 01:00", false, "CV050921.dat"},
        {kDaily, "2005-10-21 12:00", true, "CV051021.dat"},    // same day, a month later
        {kDaily, "2006-10-21 12:00", true, "CV061021.dat"},    // and a year later
        {kWeekly, "2005-09-22 12:00", false, "CV061021.dat"},  // Thursday
        {kWeekly, "2005-09-24 23:59", false, "CV061021.dat"},
        {kWeekly, "2005-09-25 00:00", true, "CV050925.dat"},  // Sunday
        {kWeekly, "2005-09-25 18:00", false, "CV050925.dat"},
        {kNone, "2005-09-28 12:00", false, "CV050925.dat"},
        {kNone, "2005-10-02 12:00", false, "CV050925.dat"},  // a Sunday too
        {kDaily, "2005-10-02 13:00", false, "CV050925.dat"}};
    CDataLog log;
    log.m_nLogDate = 20050920;
    log.m_strLogFile = "CV050920.dat";
    for (const auto& line : lines) {
        EXPECT_EQ(log.RollOver(LocalTime(line.time), line.length), line.starts) << line.time;
        EXPECT_EQ(log.m_strLogFile, line.file) << line.time;
    }
    // Computer on 1 September at start-up, instrument clock still on 31 August.
    log.MakeLogFileName(LocalTime("2005-09-01 00:10"));
    log.m_nLogDate = 20050901;
    EXPECT_EQ(log.m_strLogFile, "CV050901.dat");  // what the file dialog proposes
    EXPECT_TRUE(log.RollOver(LocalTime("2005-08-31 23:59"), CDataLog::kDaily));
    EXPECT_EQ(log.m_strLogFile, "CV050831.dat");
}

TEST_F(DataLogAppend, LinesThatCannotBeWrittenWaitAndGoInInOrderOnceTheFileCanBeWritten) {
    std::ofstream(m_log.FullPath(), std::ios::binary) << "T,2005,09,20,14,00,00\r\n";
    ASSERT_TRUE(Write({"D,NBXX,300,1.2e-05,2.3e-05", ""}));
    EXPECT_EQ(ReadFile(m_log.FullPath()), "T,2005,09,20,14,00,00\r\nD,NBXX,300,1.2e-05,2.3e-05\r\n\r\n");

    // Another writer, or a copy script's shared lock: the lines wait, nothing is interleaved or lost.
    m_log.m_strLogFile = "new.dat";
    for (const int lock : {LOCK_EX, LOCK_SH}) {
        const int other = open(m_log.FullPath().c_str(), O_RDONLY | O_CREAT, 0644);
        ASSERT_EQ(flock(other, lock), 0);
        errno = 0;
        EXPECT_FALSE(Write({lock == LOCK_EX ? "T,2" : "T,3"}));
        EXPECT_EQ(errno, EWOULDBLOCK);
        EXPECT_FALSE(Write({"D,2"}));
        EXPECT_EQ(m_log.WaitingLines(), 2u);
        close(other);
        EXPECT_TRUE(Write({"Y,1"}));
        EXPECT_EQ(m_log.WaitingLines(), 0u);
    }
    EXPECT_EQ(ReadFile(m_log.FullPath()), "T,2\r\nD,2\r\nY,1\r\nT,3\r\nD,2\r\nY,1\r\n");

    // A close that fails after a whole write, as some network file systems report a failed write:
    // reported, but the line is not written a second time.
    Set(m_failClose, true);
    EXPECT_FALSE(Write({"T,2005,09,20,14,00,00"}));
    EXPECT_EQ(errno, EIO);
    Set(m_failClose, false);
    EXPECT_EQ(m_log.WaitingLines(), 0u);

    const std::string before = ReadFile(m_log.FullPath());
    // Room for 5 more bytes: the line is written in part, then the rest fails with EFBIG (with
    // SIGXFSZ ignored, which would otherwise end the process). The part is taken back.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{before.size() + 5, saved.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(Write({"D,NBXX,300,1.2e-05"}));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_EQ(ReadFile(m_log.FullPath()), before);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);

    ASSERT_TRUE(Write({"D,NBXX,302,1.2e-05"}));
    EXPECT_EQ(ReadFile(m_log.FullPath()), before + "D,NBXX,300,1.2e-05\r\nD,NBXX,302,1.2e-05\r\n");
}

TEST_F(DataLogAppend, LinesWaitingForTooLongAreDroppedOldestFirstAndCounted) {
    m_log.m_strLogFile = "missing/CV050920.dat";  // a folder that is not there: every write fails
    const std::string big(CDataLog::kMaxKeptBytes / 4 - 2, 'D');  // four fill the bound with their CR LF
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(Write({big.c_str()}));
    EXPECT_EQ(m_log.DroppedLines(), 0u);
    EXPECT_FALSE(Write({"T,1"}));
    EXPECT_EQ(m_log.DroppedLines(), 1u);
    fs::create_directories(m_folder.path().toStdString() + "/missing");
    ASSERT_TRUE(Write({"T,2"}));
    EXPECT_EQ(ReadFile(m_log.FullPath()), big + "\r\n" + big + "\r\n" + big + "\r\nT,1\r\nT,2\r\n");
}

TEST_F(DataLogAppend, WrittenLinesReachTheDiskWithinASecondAtMostOnceASecondAndAtOnceWhenTheFileChanges) {
    const auto t0 = CDataLog::Clock::now();
    ASSERT_TRUE(Write({"T,1"}, t0));  // the write itself never waits for the disk
    ASSERT_TRUE(Write({"D,1"}, t0 + 300ms));
    EXPECT_TRUE(m_synced.empty());
    EXPECT_EQ(m_log.SyncDeadline(), t0 + 1s);
    EXPECT_TRUE(m_log.SyncIfDue(t0 + 999ms));
    EXPECT_TRUE(m_synced.empty());
    EXPECT_TRUE(m_log.SyncIfDue(t0 + 1s));
    EXPECT_EQ(m_synced, std::vector<std::string>{"CV050920.dat:T,1\r\nD,1\r\n"});
    EXPECT_FALSE(m_log.SyncDeadline());

    // A steady 10 lines a second for 5 s, the deadline's timer run as the sync thread runs it.
    for (int i = 1; i <= 50; ++i) {
        const auto now = t0 + 1s + i * 100ms;
        ASSERT_TRUE(m_log.SyncIfDue(now));
        ASSERT_TRUE(Write({"D,3"}, now));
    }
    EXPECT_TRUE(m_synced.size() >= 1u + 4u && m_synced.size() <= 1u + 5u) << m_synced.size();

    // A new file between two batches: the file left behind is due at once with all it holds, and the
    // new one gets its own second.
    ASSERT_TRUE(m_log.SyncNow());
    const std::size_t before = m_synced.size();
    const auto t1 = t0 + 10s;
    ASSERT_TRUE(Write({"D,4"}, t1));
    m_log.m_strLogFile = "CV050921.dat";
    ASSERT_TRUE(Write({"T,2"}, t1 + 200ms));
    EXPECT_EQ(m_log.SyncDeadline(), t1 + 200ms);
    ASSERT_TRUE(m_log.SyncIfDue(t1 + 200ms));
    ASSERT_EQ(m_synced.size(), before + 1);
    EXPECT_TRUE(m_synced.back().starts_with("CV050920.dat:") && m_synced.back().ends_with("D,3\r\nD,4\r\n"));
    EXPECT_EQ(m_log.SyncDeadline(), t1 + 1200ms);
    // And within one batch: the lines before the new file go to the old one, due at once.
    m_log.AddLine("D,5");
    m_log.m_strLogFile = "CV050922.dat";
    m_log.AddLine("T,3");
    ASSERT_TRUE(m_log.WritePending(t1 + 400ms));
    EXPECT_EQ(m_log.SyncDeadline(), t1 + 400ms);
    ASSERT_TRUE(m_log.SyncIfDue(t1 + 400ms));
    EXPECT_EQ(m_synced.back(), "CV050921.dat:T,2\r\nD,5\r\n");

    // Stop and Exit sync at once, and report a failed sync, or a file that can no longer be opened.
    Set(m_failSync, true);
    EXPECT_FALSE(m_log.SyncNow());
    EXPECT_EQ(m_synced.back(), "CV050922.dat:T,3\r\n");
    Set(m_failSync, false);
    ASSERT_TRUE(Write({"D,6"}));
    fs::remove(m_log.FullPath());
    errno = 0;
    EXPECT_FALSE(m_log.SyncNow());
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(m_log.SyncNow());
}

TEST_F(DataLogAppend, TheSyncThreadSyncsAtTheDeadlineStopWaitsForItAndItReportsItsFailure) {
    CDeadlineThread thread([&] { return m_log.SyncDeadline(); }, [&](CDataLog::Clock::time_point now) {
        if (!m_log.SyncIfDue(now)) Set(m_syncFailed, true);
    });
    // A line near the end of its second: the thread (started by Wake) syncs it then, held and failing.
    m_hold = m_failSync = true;
    const auto written = CDataLog::Clock::now() - 800ms;
    ASSERT_TRUE(Write({"D,2"}, written));
    thread.Wake();
    ASSERT_TRUE(WaitFor([&] { return m_synced.size() == 1; }));
    EXPECT_GE(CDataLog::Clock::now(), written + 1s);
    auto stop = std::async(std::launch::async, [&] { return m_log.SyncNow(); });
    EXPECT_EQ(stop.wait_for(100ms), std::future_status::timeout);
    Set(m_hold, false);
    EXPECT_TRUE(stop.get());
    EXPECT_TRUE(WaitFor([&] { return m_syncFailed; }));
}

TEST(DataLogSize, DailyEstimateFollowsTheRecordsTheModelAndBothTimingValues) {
    LogContent content{2, true, true, false, false, true};  // Data, Time and Zero records
    EXPECT_EQ(EstimateDailyLogBytes("1", "3600", content), 8556000);
    // Text after the digits is ignored, as in every number the instrument reports.
    EXPECT_EQ(EstimateDailyLogBytes(" 300s", "3600 ", content), (22 + 77) * 288 + 2400);
    for (const auto& [averaging, autoZero] :
         {std::pair{"0", "3600"}, std::pair{"300", ""}, std::pair{"WriteComm", "3600"}})
        EXPECT_FALSE(EstimateDailyLogBytes(averaging, autoZero, content)) << averaging << " / " << autoZero;
    // All records of the "7830": 380 bytes per period for 288 periods, plus 100 for each of 24 zeros.
    content = {1, true, true, true, true, true};
    EXPECT_EQ(EstimateDailyLogBytes("300", "3600", content), 109440 + 2400);
    content.bZero = false;
    EXPECT_EQ(EstimateDailyLogBytes("300", "3600", content), 109440);
    // Photon records weigh by model; an unknown model adds nothing for them.
    for (const auto& [model, bytes] : {std::pair{0, 80}, std::pair{1, 240}, std::pair{2, 0}}) {
        content = {static_cast<std::uint16_t>(model), false, false, true, false, false};
        EXPECT_EQ(EstimateDailyLogBytes("86400", "86400", content), bytes) << "model " << model;
    }
}
