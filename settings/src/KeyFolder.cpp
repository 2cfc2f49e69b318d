// Reading and atomically replacing a key's values file.
#include "KeyFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr const char* kTemporaryFile = "values.reg.new";
constexpr const char* kLockFile = ".lock";
// Far above any real key (five short values); a bigger file is not one of ours.
constexpr off_t kMaxFileSize = 1 << 20;

// A file descriptor closed when it goes out of scope.
class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_hFile(fd) {}
    ~CFileDescriptor() {
        if (m_hFile >= 0) {
            close(m_hFile);
        }
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_hFile; }
    // Closes now and reports whether the close succeeded (it can report a failed write).
    bool Close() {
        const int fd = m_hFile;
        m_hFile = -1;
        return close(fd) == 0;
    }

private:
    int m_hFile;
};

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool LockExclusive(int fd) {
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool WriteValuesFile(int keyFd, const ValueList& values) {
    CFileDescriptor file(openat(keyFd, kTemporaryFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.Get() < 0) {
        return false;
    }
    // The new file must be on disk before it replaces the old one, and the rename must be on
    // disk before the write is reported done: a crash leaves either the old file or the new one.
    if (!WriteAll(file.Get(), FormatValuesFile(values)) || fsync(file.Get()) != 0 || !file.Close() ||
        renameat(keyFd, kTemporaryFile, keyFd, kValuesFile) != 0) {
        unlinkat(keyFd, kTemporaryFile, 0);
        return false;
    }
    return fsync(keyFd) == 0;
}

}  // namespace

ValueList LoadValues(int keyFd) {
    // Non-blocking, so that a FIFO in the file's place cannot hang the program; it is then refused as
    // not a regular file.
    CFileDescriptor file(openat(keyFd, kValuesFile, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kMaxFileSize) {
        return {};
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(file.Get(), buffer, sizeof buffer);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {};
        }
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > static_cast<std::size_t>(kMaxFileSize)) {
            return {};
        }
    }
    return ParseValuesFile(text);
}

bool StoreValue(int keyFd, const std::string& name, const StoredValue& value) {
    CFileDescriptor lock(openat(keyFd, kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock.Get() < 0 || !LockExclusive(lock.Get())) {
        return false;
    }
    // Read under the lock: another process may have written since this key was opened.
    ValueList values = LoadValues(keyFd);
    SetValue(values, name, value);
    return WriteValuesFile(keyFd, values);
}
