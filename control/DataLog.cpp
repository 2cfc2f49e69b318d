// The data log files: names from dates, the daily and weekly rollover, the append of one line, and
// the estimate of a day's log size.
#include "control/DataLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iterator>

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

// Closes a descriptor on every return path, keeping errno as the failing call left it.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            const int saved = errno;
            close(m_fd);
            errno = saved;
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
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

bool CDataLog::DayChanged(std::time_t referenceTime) {
    const auto day = static_cast<std::uint16_t>(LocalDate(referenceTime).tm_mday);
    if (day == m_nLogDay) return false;
    m_nLogDay = day;
    return true;
}

bool CDataLog::RollOver(std::time_t referenceTime, std::uint16_t logLength) {
    if (!DayChanged(referenceTime)) return false;
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

bool CDataLog::AppendLine(const std::string& text) const {
    const FileDescriptor fd(open(FullPath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (fd.get() < 0) return false;
    // Another writer holding the file makes this line fail rather than interleave with it; readers
    // are not kept out.
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
    struct stat before {};
    if (fstat(fd.get(), &before) != 0) return false;

    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    if (WriteAll(fd.get(), line.data(), line.size())) return true;

    // Take back what part of the line was written, so the file never holds a partial line. The
    // caller reports the write's error, not the truncation's.
    const int writeError = errno;
    while (ftruncate(fd.get(), before.st_size) != 0 && errno == EINTR) {
    }
    errno = writeError;
    return false;
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
