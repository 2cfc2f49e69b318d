// The data log files: names from dates, the daily and weekly rollover, the appends and syncs of the
// written lines, and the estimate of a day's log size.
#include "run/DataLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

#include "base/FileDescriptor.h"
#include "records/Records.h"

namespace {

std::tm LocalDate(std::time_t t) {
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        const std::time_t now = std::time(nullptr);
        localtime_r(&now, &tm);
    }
    return tm;
}

}  // namespace

std::string CDataLog::DefaultFileName(std::time_t t) {
    const std::tm tm = LocalDate(t);
    char name[32];
    std::snprintf(name, sizeof name, "CV%02d%02d%02d.dat", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday);
    return name;
}

void CDataLog::MakeLogFileName(std::time_t referenceTime) {
    m_strLogFile = DefaultFileName(referenceTime);
}

void CDataLog::StartNewLogFile(std::time_t referenceTime) {
    // The stem keeps its prefix: two characters for a short stem, otherwise everything before the
    // six date digits that end it ("SITE050920.DAT" keeps "SITE").
    const std::string& name = m_strLogFile;
    const std::size_t dot = name.find('.');
    const std::string extension = dot == std::string::npos ? name : name.substr(dot);
    const std::size_t prefixLength = dot != std::string::npos && dot > 8 ? dot - 6 : 2;
    const std::string prefix = name.substr(0, prefixLength);
    const std::string digits = DefaultFileName(referenceTime).substr(2, 6);
    m_strLogFile = prefix + digits + extension;
}

std::int32_t CDataLog::DateOf(std::time_t t) {
    const std::tm tm = LocalDate(t);
    return (tm.tm_year + 1900) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
}

bool CDataLog::DateChanged(std::time_t referenceTime) {
    // Lines between two time records share their reference time: the calendar is asked once for it.
    if (referenceTime != m_tDateOf) {
        m_tDateOf = referenceTime;
        m_nDateOf = DateOf(referenceTime);
    }
    const std::int32_t date = m_nDateOf;
    if (date == m_nLogDate) return false;
    m_nLogDate = date;
    return true;
}

bool CDataLog::RollOver(std::time_t referenceTime, std::uint16_t logLength) {
    if (!DateChanged(referenceTime)) return false;
    const bool sunday = LocalDate(referenceTime).tm_wday == 0;
    if (logLength == kDaily || (logLength == kWeekly && sunday)) {
        StartNewLogFile(referenceTime);
        return true;
    }
    return false;
}

void CDataLog::SetLogFolder(const std::string& folder) {
    m_strLogPath = folder;
    if (!m_strLogPath.empty() && m_strLogPath.back() == '\\') m_strLogPath.back() = '/';
    if (m_strLogPath.empty() || m_strLogPath.back() != '/') m_strLogPath += '/';
}

void CDataLog::SetLogFilePath(const std::string& fullPath) {
    const std::size_t slash = fullPath.rfind('/');
    m_strLogPath = slash == std::string::npos ? "./" : fullPath.substr(0, slash + 1);
    m_strLogFile = fullPath.substr(slash + 1);
}

void CDataLog::AddLine(std::string_view text) {
    const auto isCurrent = [this](const std::string& path) {
        return path.size() == m_strLogPath.size() + m_strLogFile.size() && path.starts_with(m_strLogPath) &&
               path.ends_with(m_strLogFile);
    };
    if (m_pending.empty() || !isCurrent(m_pending.back().strPath)) m_pending.push_back({FullPath(), {}, 0});
    m_pending.back().strBytes.append(text).append("\r\n");
    ++m_pending.back().nLines;
    m_nPendingBytes += text.size() + 2;
    DropOldestBeyondBound();
}

void CDataLog::DropOldestBeyondBound() {
    while (m_nPendingBytes > kMaxKeptBytes && !m_pending.empty()) {
        PendingLines& oldest = m_pending.front();
        const std::size_t end = oldest.strBytes.find("\r\n") + 2;
        oldest.strBytes.erase(0, end);
        m_nPendingBytes -= end;
        --oldest.nLines;
        ++m_nDroppedLines;
        if (oldest.nLines == 0) m_pending.erase(m_pending.begin());
    }
}

void CDataLog::DiscardWaiting() {
    m_pending.clear();
    m_nPendingBytes = 0;
}

std::size_t CDataLog::WaitingLines() const {
    std::size_t lines = 0;
    for (const PendingLines& pending : m_pending) lines += pending.nLines;
    return lines;
}

bool CDataLog::WritePending(Clock::time_point now) {
    std::size_t written = 0;
    bool bWritten = true;
    for (; written < m_pending.size(); ++written) {
        const PendingLines& lines = m_pending[written];
        const AppendResult result = Append(lines);
        if (result == AppendResult::NotWritten) {
            bWritten = false;
            break;
        }
        if (result == AppendResult::CloseFailed) bWritten = false;
        m_nPendingBytes -= lines.strBytes.size();
        const std::lock_guard lock(m_lock);
        // A file left for a new one goes to the disk at once; the current one within its second.
        for (UnsyncedFile& file : m_unsynced)
            if (file.strPath != lines.strPath) file.tDeadline = std::min(file.tDeadline, now);
        const bool bKnown = std::any_of(m_unsynced.begin(), m_unsynced.end(),
                                        [&](const UnsyncedFile& file) { return file.strPath == lines.strPath; });
        if (!bKnown) m_unsynced.push_back({lines.strPath, now + kSyncInterval});
    }
    const int error = errno;
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(written));
    errno = error;
    return bWritten;
}

std::optional<CDataLog::Clock::time_point> CDataLog::SyncDeadline() const {
    const std::lock_guard lock(m_lock);
    std::optional<Clock::time_point> earliest;
    for (const UnsyncedFile& file : m_unsynced)
        if (!earliest || file.tDeadline < *earliest) earliest = file.tDeadline;
    return earliest;
}

bool CDataLog::SyncIfDue(Clock::time_point now) {
    std::unique_lock lock(m_lock);
    return SyncDue(lock, now, false);
}

bool CDataLog::SyncNow() {
    std::unique_lock lock(m_lock);
    return SyncDue(lock, Clock::now(), true);
}

std::optional<std::chrono::system_clock::time_point> CDataLog::LastSyncTime() const {
    const std::lock_guard lock(m_lock);
    return m_tLastSync;
}

void CDataLog::SetFileCalls(FileCalls calls) {
    const std::lock_guard lock(m_lock);
    m_calls = std::move(calls);
}

bool CDataLog::SyncDue(std::unique_lock<std::mutex>& lock, Clock::time_point now, bool bAll) {
    // A sync under way is waited for, so that nothing is reported synced before it is on the disk.
    m_syncEnded.wait(lock, [this] { return !m_bSyncing; });
    std::vector<std::string> due;
    std::erase_if(m_unsynced, [&](const UnsyncedFile& file) {
        if (!bAll && file.tDeadline > now) return false;
        due.push_back(file.strPath);
        return true;
    });
    if (due.empty()) return true;
    const FileCalls calls = m_calls;
    // The writer may append meanwhile; what it appends waits for a sync of its own.
    m_bSyncing = true;
    lock.unlock();
    bool bSynced = true;
    int error = 0;
    for (const std::string& path : due) {
        // Read-only is enough to sync, and watchers of the file see no write. A file that can no
        // longer be opened (removed or renamed since) cannot be synced: that is reported, not hidden.
        FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        const bool bThis = fd.IsOpen() && calls.sync(fd.Get()) == 0 && calls.close(fd.Release()) == 0;
        if (!bThis && bSynced) error = errno;
        bSynced = bSynced && bThis;
    }
    lock.lock();
    if (bSynced) m_tLastSync = std::chrono::system_clock::now();
    m_bSyncing = false;
    m_syncEnded.notify_all();
    errno = error;
    return bSynced;
}

CDataLog::FileCalls CDataLog::DiskCalls() {
    return {fdatasync, close};
}

CDataLog::AppendResult CDataLog::Append(const PendingLines& lines) const {
    FileDescriptor fd(open(lines.strPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.IsOpen()) return AppendResult::NotWritten;
    // Another writer, or a reader holding a lock on the file, makes these lines wait rather than
    // interleave with its bytes.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return AppendResult::NotWritten;
    struct stat before {};
    if (fstat(fd.Get(), &before) != 0) return AppendResult::NotWritten;

    if (!WriteAll(fd.Get(), lines.strBytes)) {
        // Take back what part of the lines was written, so the file never holds a partial line. The
        // caller reports the write's error, not the truncation's.
        const int writeError = errno;
        while (ftruncate(fd.Get(), before.st_size) != 0 && errno == EINTR) {
        }
        errno = writeError;
        return AppendResult::NotWritten;
    }
    // Some file systems report a failed write only when the file is closed. The bytes were handed
    // over whole, so they are not written again (that could double them); the failure is reported.
    const FileCalls calls = [this] {
        const std::lock_guard lock(m_lock);
        return m_calls;
    }();
    return calls.close(fd.Release()) == 0 ? AppendResult::Written : AppendResult::CloseFailed;
}

std::optional<std::int64_t> EstimateDailyLogBytes(std::string_view averagingTime,
                                                  std::string_view autoZeroPeriod,
                                                  const LogContent& content) {
    constexpr std::int64_t kSecondsPerDay = 86400;
    constexpr std::int64_t kTimeRecordBytes = 22;
    constexpr std::int64_t kDataRecordBytes = 77;
    constexpr std::int64_t kPhotonRecordBytes[] = {80, 240, 0};  // per model index
    constexpr std::int64_t kAuxRecordBytes = 41;
    constexpr std::int64_t kZeroRecordBytes = 100;

    const std::int64_t averaging = ParseDecimal(averagingTime);
    const std::int64_t autoZero = ParseDecimal(autoZeroPeriod);
    if (averaging == 0 || autoZero == 0) return std::nullopt;

    std::int64_t bytesPerPeriod = 0;
    if (content.bTime) bytesPerPeriod += kTimeRecordBytes;
    if (content.bData) bytesPerPeriod += kDataRecordBytes;
    if (content.bPhoton && content.nModel < std::size(kPhotonRecordBytes))
        bytesPerPeriod += kPhotonRecordBytes[content.nModel];
    if (content.bAux) bytesPerPeriod += kAuxRecordBytes;

    std::int64_t daily = bytesPerPeriod * (kSecondsPerDay / averaging);
    if (content.bZero) daily += kZeroRecordBytes * (kSecondsPerDay / autoZero);
    return daily;
}

LogContent LogContentOf(std::uint16_t model, const InstrumentSetup& setup) {
    LogContent content;
    content.nModel = model;
    content.bTime = setup.Sends(RecordKind::Time);
    content.bData = setup.Sends(RecordKind::Data);
    content.bPhoton = setup.Sends(RecordKind::Photon);
    content.bAux = setup.Sends(RecordKind::Aux);
    content.bZero = setup.Sends(RecordKind::Zero);
    return content;
}

bool WeeklyLogTooLarge(std::uint16_t model, const InstrumentSetup& setup) {
    const std::optional<std::int64_t> estimate = EstimateDailyLogBytes(
        setup.Get(Timing::Averaging), setup.Get(Timing::AutoZeroPeriod), LogContentOf(model, setup));
    return estimate && *estimate > kLargestDailyLogForWeekly;
}
