// Reading and atomically replacing a key's values file.
#include "KeyFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/FileDescriptor.h"

namespace {

constexpr const char* kTemporaryFile = "values.reg.new";
constexpr const char* kLockFile = ".lock";
// Far above any real key (five short values); a bigger file is not one of ours.
constexpr off_t kMaxFileSize = 1 << 20;

bool LockExclusive(int fd) {
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool WriteValuesFile(int keyFd, const ValueList& values) {
    FileDescriptor file(openat(keyFd, kTemporaryFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
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
    FileDescriptor file(openat(keyFd, kValuesFile, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
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
    FileDescriptor lock(openat(keyFd, kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock.Get() < 0 || !LockExclusive(lock.Get())) {
        return false;
    }
    // Read under the lock: another process may have written since this key was opened.
    ValueList values = LoadValues(keyFd);
    SetValue(values, name, value);
    return WriteValuesFile(keyFd, values);
}
