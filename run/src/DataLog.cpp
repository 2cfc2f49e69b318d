// The data log files: names from dates, the daily and weekly rollover, the appends and syncs of the
// written lines, and the estimate of a day's log size.
#include "run/DataLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
    const std::int32_t date = DateOf(referenceTime);
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
    std::string path = FullPath();
    if (m_pending.empty() || m_pending.back().strPath != path) m_pending.push_back({std::move(path), {}});
    m_pending.back().strBytes.append(text).append("\r\n");
}

bool CDataLog::WritePending(Clock::time_point now) {
    std::vector<PendingLines> pending;
    pending.swap(m_pending);
    std::unique_lock lock(m_lock);
    bool bWritten = true;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const PendingLines& lines = pending[i];
        // A file left for a new one goes to the disk at once.
        if (!m_strUnsyncedPath.empty() && m_strUnsyncedPath != lines.strPath)
            bWritten = SyncWritten(lock, now) && bWritten;
        const bool bSync = i + 1 < pending.size() || now - m_tLastSync >= kSyncInterval;
        if (!Append(lines, bSync)) {
            bWritten = false;
        } else if (bSync) {
            m_strUnsyncedPath.clear();
            m_tLastSync = now;
        } else if (m_strUnsyncedPath.empty()) {
            m_strUnsyncedPath = lines.strPath;
            m_tFirstUnsynced = now;
        }
    }
    return bWritten;
}

std::optional<CDataLog::Clock::time_point> CDataLog::SyncDeadline() const {
    const std::lock_guard lock(m_lock);
    return UnsyncedDeadline();
}

std::optional<CDataLog::Clock::time_point> CDataLog::UnsyncedDeadline() const {
    if (m_strUnsyncedPath.empty()) return std::nullopt;
    return m_tFirstUnsynced + kSyncInterval;
}

bool CDataLog::SyncIfDue(Clock::time_point now) {
    std::unique_lock lock(m_lock);
    const std::optional<Clock::time_point> deadline = UnsyncedDeadline();
    return !deadline || now < *deadline || SyncWritten(lock, now);
}

bool CDataLog::SyncNow() {
    std::unique_lock lock(m_lock);
    return SyncWritten(lock, Clock::now());
}

void CDataLog::SetFileCalls(FileCalls calls) {
    const std::lock_guard lock(m_lock);
    m_calls = std::move(calls);
}

bool CDataLog::SyncWritten(std::unique_lock<std::mutex>& lock, Clock::time_point now) {
    // A sync under way is waited for, so that nothing is reported synced before it is on the disk.
    m_syncEnded.wait(lock, [this] { return !m_bSyncing; });
    if (m_strUnsyncedPath.empty()) return true;
    const std::string path = std::exchange(m_strUnsyncedPath, {});
    m_tLastSync = now;
    const FileCalls calls = m_calls;
    // The window's thread may append meanwhile; what it appends waits for a sync of its own.
    m_bSyncing = true;
    lock.unlock();
    bool bSynced = true;
    // Read-only is enough to sync, and watchers of the file see no write. A file that can no
    // longer be opened has been removed or renamed: there is nothing of it left to keep under this
    // name, and its next append reports the failure.
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.IsOpen()) {
        bSynced = calls.sync(fd.Get()) == 0;
        bSynced = calls.close(fd.Release()) == 0 && bSynced;
    }
    lock.lock();
    m_bSyncing = false;
    m_syncEnded.notify_all();
    return bSynced;
}

CDataLog::FileCalls CDataLog::DiskCalls() {
    return {fdatasync, close};
}

bool CDataLog::Append(const PendingLines& lines, bool bSync) const {
    FileDescriptor fd(open(lines.strPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.IsOpen()) return false;
    // Another writer holding the file makes these lines fail rather than interleave with them;
    // readers are not kept out.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return false;
    struct stat before {};
    if (fstat(fd.Get(), &before) != 0) return false;

    if (!WriteAll(fd.Get(), lines.strBytes)) {
        // Take back what part of the lines was written, so the file never holds a partial line. The
        // caller reports the write's error, not the truncation's.
        const int writeError = errno;
        while (ftruncate(fd.Get(), before.st_size) != 0 && errno == EINTR) {
        }
        errno = writeError;
        return false;
    }
    if (bSync && m_calls.sync(fd.Get()) != 0) return false;
    // Some file systems report a failed write only when the file is closed.
    return m_calls.close(fd.Release()) == 0;
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
