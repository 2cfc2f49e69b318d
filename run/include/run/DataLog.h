// CDataLog: the data log files of a run. The log folder and file name, the date of the last date
// check, the default name from a date, the name carried to the next date, and the writer: the lines
// of one batch are appended with one open, append and close per file (other writers kept out while
// it is open). Lines that cannot be written are kept, in order, and written as soon as the file can
// be; written lines are synced to the disk within a second by the sync thread (SyncDeadline,
// SyncIfDue), so a write never waits for the disk.
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

#include "records/InstrumentSettings.h"
#include "run/InstrumentSetup.h"

class CDataLog {
public:
    using Clock = std::chrono::steady_clock;
    // The calls that finish a write, fdatasync and close in the program; tests count or fail them.
    struct FileCalls {
        std::function<int(int fd)> sync;
        std::function<int(int fd)> close;
    };

    // Log lengths as the Setup page remembers them; any other value never starts a new file.
    static constexpr std::uint16_t kDaily = 0;
    static constexpr std::uint16_t kWeekly = 1;
    // Written lines reach the disk within this time, with at most one sync of a file in it.
    static constexpr std::chrono::seconds kSyncInterval{1};
    // Lines kept after failed writes beyond this many bytes are dropped, oldest first (about a day of
    // every record at one-second averaging).
    static constexpr std::size_t kMaxKeptBytes = 16 * 1024 * 1024;

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
    // Appends the queued lines in order, with one open, append and close per file. False when a write
    // failed (errno tells why): its lines and all after them are kept for the next call, and a failed
    // write is taken back, so a file never holds part of a line. A close that fails after a whole
    // write is reported too, but its lines are not written again. A file left for a new one is due for
    // its sync at once, the current one a second after its first unsynced write.
    bool WritePending(Clock::time_point now);
    // Lines queued or kept that are not in their file yet.
    std::size_t WaitingLines() const;
    // Forgets the lines that wait (a run's end, when they could not be written at all).
    void DiscardWaiting();
    // Lines dropped since the start because too many were kept.
    std::uint64_t DroppedLines() const { return m_nDroppedLines; }
    // When the earliest written lines not yet synced must be synced; nothing when all are on the disk.
    std::optional<Clock::time_point> SyncDeadline() const;
    // Syncs each file whose deadline has come. False when a sync failed, or a file to sync could no
    // longer be opened (errno tells why). Lines appended while it runs wait for a sync of their own.
    bool SyncIfDue(Clock::time_point now);
    // Syncs every written line now: at the end of a run and at exit. A sync under way on another
    // thread is waited for (it reports its own result). False when this sync failed.
    bool SyncNow();
    // When a sync last put written lines on the disk.
    std::optional<std::chrono::system_clock::time_point> LastSyncTime() const;
    void SetFileCalls(FileCalls calls);

private:
    // Lines waiting for one file, whole lines only.
    struct PendingLines {
        std::string strPath;
        std::string strBytes;
        std::size_t nLines = 0;
    };
    // A file holding written lines not yet synced.
    struct UnsyncedFile {
        std::string strPath;
        Clock::time_point tDeadline;
    };
    enum class AppendResult { Written, NotWritten, CloseFailed };
    AppendResult Append(const PendingLines& lines) const;
    void DropOldestBeyondBound();
    bool SyncDue(std::unique_lock<std::mutex>& lock, Clock::time_point now, bool bAll);
    static FileCalls DiskCalls();

    std::vector<PendingLines> m_pending;
    std::size_t m_nPendingBytes = 0;
    std::time_t m_tDateOf = -1;  // the last reference time dated, and its date
    std::int32_t m_nDateOf = 0;
    std::uint64_t m_nDroppedLines = 0;
    // Guards what follows: the syncs run on another thread than the writes.
    mutable std::mutex m_lock;
    std::condition_variable m_syncEnded;
    bool m_bSyncing = false;  // a sync runs with the lock let go
    std::vector<UnsyncedFile> m_unsynced;
    std::optional<std::chrono::system_clock::time_point> m_tLastSync;
    FileCalls m_calls = DiskCalls();
};

// Which records the instrument sends unasked, for the log-size estimate.
struct LogContent {
    std::uint16_t nModel = ModelIndex::kUnknown;
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

// What the instrument is set to send, for the estimate; the model is the store's model index.
LogContent LogContentOf(std::uint16_t model, const InstrumentSetup& setup);
// True when weekly files must give way to daily ones: a day of what the instrument is set to send
// would exceed kLargestDailyLogForWeekly.
bool WeeklyLogTooLarge(std::uint16_t model, const InstrumentSetup& setup);

// What the operator is told when weekly files give way to daily ones.
inline constexpr const char* kLogSizeWarning =
    "The 'Log - New File Weekly' option is selected.\r\n"
    "This will result in a log file that exceeds the recomended size.\r\n"
    "The 'Log - New File Daily' option will be set before proceeding.";
