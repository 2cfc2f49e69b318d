// Raw HTTP exchanges with a server on this machine.
#include "HttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

int Connect(unsigned port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<std::size_t>(n);
    }
    return true;
}

HttpAnswer Parse(const std::string& text, std::size_t headerEnd) {
    HttpAnswer answer;
    answer.status = std::atoi(text.c_str() + text.find(' ') + 1);
    for (std::size_t line = text.find("\r\n") + 2; line < headerEnd;) {
        const std::size_t end = text.find("\r\n", line), colon = text.find(':', line);
        std::string name = text.substr(line, colon - line);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        answer.headers[name] = text.substr(colon + 2, end - colon - 2);
        line = end + 2;
    }
    return answer;
}

// A chunked body (the larger answers of Prometheus) joined into one.
std::string Unchunked(const std::string& text) {
    std::string body;
    for (std::size_t at = 0, line; (line = text.find("\r\n", at)) != std::string::npos;) {
        const std::size_t size = std::strtoul(text.c_str() + at, nullptr, 16);
        if (size == 0) break;
        body += text.substr(line + 2, size);
        at = line + 2 + size + 2;
    }
    return body;
}

}  // namespace

HttpAnswer Exchange(unsigned port, const std::string& request) {
    const int fd = Connect(port);
    if (fd < 0 || !SendAll(fd, request)) {
        if (fd >= 0) close(fd);
        return {};
    }
    std::string text;
    HttpAnswer answer;
    std::size_t headerEnd = std::string::npos, length = 0;
    char buffer[65536];
    // An answer to HEAD is read to the close (the request must ask for one), so that a body sent
    // after its headers shows.
    bool toClose = request.rfind("HEAD ", 0) == 0;
    while (toClose || headerEnd == std::string::npos || text.size() < headerEnd + 4 + length) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (headerEnd == std::string::npos && (headerEnd = text.find("\r\n\r\n")) != std::string::npos) {
            answer = Parse(text, headerEnd);
            length = std::strtoul(answer.headers["content-length"].c_str(), nullptr, 10);
            toClose = toClose || !answer.headers.contains("content-length");
        }
    }
    close(fd);
    if (headerEnd != std::string::npos) answer.body = text.substr(headerEnd + 4);
    if (answer.headers["transfer-encoding"] == "chunked") answer.body = Unchunked(answer.body);
    return answer;
}

HttpAnswer Get(unsigned port, const std::string& path) {
    return Exchange(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

TestConnection::TestConnection(unsigned port) : m_fd(Connect(port)) {}

TestConnection::~TestConnection() {
    if (m_fd >= 0) close(m_fd);
}

bool TestConnection::Send(const std::string& bytes) {
    return m_fd >= 0 && SendAll(m_fd, bytes);
}

bool TestConnection::ClosedByServer(int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (m_fd < 0 || poll(&p, 1, timeoutMs) <= 0) return m_fd < 0;
    char byte;
    return recv(m_fd, &byte, 1, MSG_DONTWAIT) <= 0;
}
