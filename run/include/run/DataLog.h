// CDataLog: the data log files of a run. The log folder and file name, the date of the last date
// check, the default name from a date, the name carried to the next date, and the writer: the lines
// of one notification are appended with one open, append and close per file (other writers kept out
// while it is open), and written lines are synced to the disk within a second. The syncs at the
// deadline may run on another thread than the writes (SyncDeadline, SyncIfDue).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CDataLog {
public:
    using Clock = std::chrono::steady_clock;
    // The calls that finish a write, fdatasync and close in the program; tests count or fail them.
    struct FileCalls {
        std::function<int(int fd)> sync;
        std::function<int(int fd)> close;
    };

    // Log lengths as the Setup page remembers them.
    static constexpr std::uint16_t kDaily = 0;
    static constexpr std::uint16_t kWeekly = 1;
    // Written lines reach the disk within this time, with at most one sync in it during a steady run.
    static constexpr std::chrono::seconds kSyncInterval{1};

    std::string m_strLogPath;     // ends with "/"
    std::string m_strLogFile;     // file name without folder
    std::int32_t m_nLogDate = 0;  // local date of the last date check, as yyyymmdd

    // "CV%02d%02d%02d.dat" for the local date of t.
    static std::string DefaultFileName(std::time_t t);
    // The local date of t as yyyymmdd.
    static std::int32_t DateOf(std::time_t t);
    void MakeLogFileName(std::time_t referenceTime);
    void StartNewLogFile(std::time_t referenceTime);
    // The date check: true when the local date of t differs from m_nLogDate (which then takes it).
    // The whole date counts, so a run whose next line comes a month later on the same day of the
    // month still moves on.
    bool DateChanged(std::time_t referenceTime);
    // The date check of one line: a new file when the date changed, for daily logs on any day and for
    // weekly logs on a Sunday. True when a new file name was taken.
    bool RollOver(std::time_t referenceTime, std::uint16_t logLength);

    // Sets the folder; a trailing backslash becomes "/" and a missing final "/" is added.
    void SetLogFolder(const std::string& folder);
    // Splits a chosen full path into the folder (up to its last "/") and the file name.
    void SetLogFilePath(const std::string& fullPath);
    std::string FullPath() const { return m_strLogPath + m_strLogFile; }

    // Queues text + CR LF for the file that is current now; WritePending appends it.
    void AddLine(std::string_view text);
    // Appends the queued lines in order, with one open, append and close per file. A file that a new
    // one replaced is synced at once; the current file when kSyncInterval has passed since the last
    // sync, else by SyncIfDue at SyncDeadline. False when any write, sync or close failed (errno
    // tells why); a failed write is taken back, so a file never holds part of a line.
    bool WritePending(Clock::time_point now);
    // When the written lines not yet synced must be synced; nothing when every line is on the disk.
    std::optional<Clock::time_point> SyncDeadline() const;
    // Syncs the written lines once their deadline has come. False when the sync failed. Lines
    // appended while it runs wait for a sync of their own.
    bool SyncIfDue(Clock::time_point now);
    // Syncs the written lines now: at the end of a run and at exit. A sync under way on another
    // thread is waited for (it reports its own result). False when this sync failed.
    bool SyncNow();
    void SetFileCalls(FileCalls calls);

private:
    // Lines waiting for one file.
    struct PendingLines {
        std::string strPath;
        std::string strBytes;
    };
    bool Append(const PendingLines& lines, bool bSync) const;
    std::optional<Clock::time_point> UnsyncedDeadline() const;
    bool SyncWritten(std::unique_lock<std::mutex>& lock, Clock::time_point now);
    static FileCalls DiskCalls();

    std::vector<PendingLines> m_pending;
    // Guards what follows: the sync at the deadline may run on another thread.
    mutable std::mutex m_lock;
    std::condition_variable m_syncEnded;
    bool m_bSyncing = false;  // a sync runs with the lock let go
    std::string m_strUnsyncedPath;  // the file holding written lines not yet synced; empty for none
    Clock::time_point m_tFirstUnsynced;
    Clock::time_point m_tLastSync;
    FileCalls m_calls = DiskCalls();
};

// Which records the instrument sends unasked, for the log-size estimate.
struct LogContent {
    std::uint16_t nModel = 2;  // 0 "7810", 1 "7830", 2 "Unknown"
    bool bTime = false;
    bool bData = false;
    bool bPhoton = false;
    bool bAux = false;
    bool bZero = false;
};

// The largest daily log size, in bytes, that still allows weekly files.
inline constexpr std::int64_t kLargestDailyLogForWeekly = 2097152;

// Bytes one day of logging takes with the averaging time and auto zero period as the instrument
// reports them (whole seconds, decimal rule). Nothing when either of them reads as 0.
std::optional<std::int64_t> EstimateDailyLogBytes(std::string_view averagingTime,
                                                  std::string_view autoZeroPeriod, const LogContent& content);
