// Stamps the lines appended to one log file with inotify, on a thread of its own.
#include "LogWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <stdexcept>

namespace {
double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
}  // namespace

LogWatcher::LogWatcher(const std::string& folder, const std::string& fileName, bool bKeepStamps)
    : m_strPath(folder + "/" + fileName), m_strFileName(fileName), m_bKeepStamps(bKeepStamps) {
    m_fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    m_wake = eventfd(0, EFD_CLOEXEC);
    if (m_fd < 0 || m_wake < 0 || inotify_add_watch(m_fd, folder.c_str(), IN_MODIFY) < 0)
        throw std::runtime_error("LogWatcher: cannot watch " + folder);
    m_thread = std::thread([this] { Run(); });
}

LogWatcher::~LogWatcher() {
    const std::uint64_t one = 1;
    if (write(m_wake, &one, sizeof one) != sizeof one) {
        // The thread cannot be woken; it still ends with the process.
    }
    m_thread.join();
    close(m_fd);
    close(m_wake);
    if (m_file >= 0) close(m_file);
}

std::vector<double> LogWatcher::Stamps() const {
    std::lock_guard lock(m_lock);
    return m_stamps;
}

void LogWatcher::Run() {
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
    alignas(inotify_event) char buffer[64 * 1024];
    while (poll(fds, 2, -1) >= 0 && fds[1].revents == 0) {
        const double stamp = WallSeconds();
        bool bOurs = false;
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            // A lost event costs nothing: the next one reads everything appended since.
            bOurs =
                bOurs || (event->mask & IN_Q_OVERFLOW) || (event->len > 0 && m_strFileName == event->name);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        if (bOurs) ReadAppended(stamp);
    }
}

void LogWatcher::ReadAppended(double stamp) {
    if (m_file < 0) m_file = open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_file < 0) return;
    char text[64 * 1024];
    ssize_t n;
    std::size_t nLines = 0;
    while ((n = read(m_file, text, sizeof text)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (m_bAfterCr && text[i] == '\n') ++nLines;
            m_bAfterCr = text[i] == '\r';
        }
    }
    if (nLines == 0) return;
    if (m_bKeepStamps) {
        std::lock_guard lock(m_lock);
        m_stamps.insert(m_stamps.end(), nLines, stamp);
    }
    m_nCount += nLines;
}
