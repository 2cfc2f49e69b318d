// Stamps the program's appends to one log file with inotify, on a thread of its own.
#include "LogWatcher.h"

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
    : m_strFileName(fileName), m_bKeepStamps(bKeepStamps) {
    m_fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    m_wake = eventfd(0, EFD_CLOEXEC);
    // Opens are watched too, only so that two closes are never queued back to back: inotify merges
    // identical consecutive events that have not been read yet.
    if (m_fd < 0 || m_wake < 0 || inotify_add_watch(m_fd, folder.c_str(), IN_OPEN | IN_CLOSE_WRITE) < 0)
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
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            if (event->mask & IN_Q_OVERFLOW) m_bOverflowed = true;
            if ((event->mask & IN_CLOSE_WRITE) && event->len > 0 && m_strFileName == event->name) {
                if (m_bKeepStamps) {
                    std::lock_guard lock(m_lock);
                    m_stamps.push_back(stamp);
                }
                ++m_nCount;
            }
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}
