// Test client for the simulator's pseudo-terminal.
#include "LineClient.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

LineClient::LineClient(const std::string& path, speed_t speed) {
    m_nFd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_nFd >= 0) SetSpeed(speed);
}

LineClient::~LineClient() {
    if (m_nFd >= 0) close(m_nFd);
}

void LineClient::SetSpeed(speed_t speed) {
    termios line{};
    tcgetattr(m_nFd, &line);
    cfmakeraw(&line);
    cfsetispeed(&line, speed);
    cfsetospeed(&line, speed);
    tcsetattr(m_nFd, TCSANOW, &line);
}

void LineClient::Send(std::string_view command) {
    const std::string text = std::string(command) + "\r\n";
    if (write(m_nFd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) m_bHungUp = true;
}

bool LineClient::ReadMore(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd pfd{m_nFd, POLLIN, 0};
    if (m_bHungUp || left.count() < 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t count = read(m_nFd, buffer, sizeof buffer);
    if (count > 0) m_strRaw.append(buffer, static_cast<std::size_t>(count));
    if (count <= 0 && (pfd.revents & (POLLHUP | POLLERR))) m_bHungUp = true;
    return count > 0;
}

std::optional<std::string> LineClient::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t end;
    while ((end = m_strRaw.find('\r', m_nConsumed)) == std::string::npos) {
        if (!ReadMore(deadline) && (m_bHungUp || std::chrono::steady_clock::now() >= deadline))
            return std::nullopt;
    }
    std::string line = m_strRaw.substr(m_nConsumed, end - m_nConsumed);
    m_nConsumed = end + 1;
    return line;
}

std::optional<std::string> LineClient::Ask(std::string_view command, std::chrono::milliseconds timeout) {
    Send(command);
    return ReadLine(timeout);
}

bool LineClient::WaitForHangup(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_bHungUp && std::chrono::steady_clock::now() < deadline) ReadMore(deadline);
    return m_bHungUp;
}
