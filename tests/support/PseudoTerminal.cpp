// Pseudo-terminals for the link, page and simulator tests.
#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

PseudoTerminal::PseudoTerminal() {
    m_nFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_nFd < 0 || grantpt(m_nFd) != 0 || unlockpt(m_nFd) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    m_strPath = ptsname(m_nFd);
    m_bMaster = true;
}

PseudoTerminal::PseudoTerminal(const std::string& path, speed_t speed) : m_strPath(path) {
    m_nFd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_nFd >= 0) SetSpeed(speed);
}

PseudoTerminal::~PseudoTerminal() {
    Close();
}

termios PseudoTerminal::LineSettings() const {
    termios tio{};
    tcgetattr(m_nFd, &tio);
    return tio;
}

void PseudoTerminal::SetSpeed(speed_t speed) {
    termios tio = LineSettings();
    cfmakeraw(&tio);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tcsetattr(m_nFd, TCSANOW, &tio);
}

bool PseudoTerminal::Send(std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t n = write(m_nFd, bytes.data(), bytes.size());
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool PseudoTerminal::ReadMore(std::chrono::steady_clock::time_point deadline) {
    // While nobody has the slave end open, its master reports a hang-up at once: look again shortly.
    constexpr auto kNoReaderRetry = std::chrono::milliseconds(10);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd pfd{m_nFd, POLLIN, 0};
    if (m_bHungUp || left.count() < 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t count = (pfd.revents & POLLIN) ? read(m_nFd, buffer, sizeof buffer) : 0;
    if (count > 0) {
        m_strReceived.append(buffer, static_cast<std::size_t>(count));
        return true;
    }
    if (!(pfd.revents & (POLLHUP | POLLERR))) return false;
    if (!m_bMaster) {
        m_bHungUp = true;
    } else {
        std::this_thread::sleep_for(
            std::min(kNoReaderRetry, std::chrono::duration_cast<std::chrono::milliseconds>(
                                         deadline - std::chrono::steady_clock::now())));
    }
    return false;
}

std::optional<std::string> PseudoTerminal::ReadLine(std::chrono::milliseconds timeout, std::string_view end) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t at;
    while ((at = m_strReceived.find(end, m_nConsumed)) == std::string::npos) {
        if (!ReadMore(deadline) && (m_bHungUp || std::chrono::steady_clock::now() >= deadline))
            return std::nullopt;
    }
    std::string line = m_strReceived.substr(m_nConsumed, at - m_nConsumed);
    m_nConsumed = at + end.size();
    return line;
}

bool PseudoTerminal::WaitUntilRead(std::chrono::milliseconds timeout) const {
    // The slave end's input queue is shared by all its descriptors: it empties when the program reads it.
    // Bytes written here reach that queue a moment later; a poll of the slave end moves them there first.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (int nQueued = 1; std::chrono::steady_clock::now() < deadline;) {
        const int slave = open(m_strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        pollfd pfd{slave, POLLIN, 0};
        const bool bAsked = slave >= 0 && poll(&pfd, 1, 0) >= 0 && ioctl(slave, FIONREAD, &nQueued) == 0;
        if (slave >= 0) close(slave);
        if (!bAsked) return false;
        if (nQueued == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

void PseudoTerminal::Close() {
    if (m_nFd >= 0) close(m_nFd);
    m_nFd = -1;
}
