// The file-descriptor guard and the write-all loop.
#include "base/FileDescriptor.h"

#include <unistd.h>

#include <cerrno>

FileDescriptor::~FileDescriptor() {
    if (m_fd < 0) return;
    const int saved = errno;
    close(m_fd);
    errno = saved;
}

bool FileDescriptor::Close() {
    return close(Release()) == 0;
}

int FileDescriptor::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
