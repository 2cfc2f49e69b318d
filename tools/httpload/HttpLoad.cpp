// corvane-httpload: the bad and heavy clients of an HTTP server on this machine, all at once for a
// while: a steady rate of requests, connections opened and held idle, one request sent a byte at a
// time, a 1 MiB request line, and garbage bytes. Then it checks that a normal request is answered
// again, and prints what each client saw. For the health server's tests and the program's load test.
//
//   corvane-httpload --target 127.0.0.1:PORT [--seconds 10] [--rate 200] [--idle 200] [--path /metrics]
//
// Exit status: 0 when a normal request was answered after the load, 1 when none was within 5 s,
// 2 for a usage error or a target that is not a loopback address.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Options {
    sockaddr_in target{};
    std::string host;
    double seconds = 10;
    int rate = 200;
    int idle = 200;
    std::string path = "/metrics";
};

// What each client counts; written by its own thread, read once all have ended.
struct Counts {
    std::atomic<long> sent{0}, answered{0}, failed{0}, closedByServer{0};
};

// A blocking socket connected to the target with send and receive time-outs; -1 when refused.
int Connect(const Options& options, std::chrono::milliseconds timeout = 2000ms) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const timeval tv{timeout.count() / 1000, static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&options.target), sizeof options.target) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string Request(const Options& options) {
    return "GET " + options.path + " HTTP/1.1\r\nHost: " + options.host + "\r\nConnection: close\r\n\r\n";
}

// Reads one answer, its headers and as many bytes as its Content-Length gives: true for a 200.
bool AnsweredOk(int fd) {
    std::string answer;
    char buffer[16384];
    std::size_t headerEnd = std::string::npos, length = 0;
    while (headerEnd == std::string::npos || answer.size() < headerEnd + 4 + length) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        answer.append(buffer, static_cast<std::size_t>(n));
        if (headerEnd == std::string::npos && (headerEnd = answer.find("\r\n\r\n")) != std::string::npos) {
            const std::size_t field = answer.find("Content-Length: ");
            length = field < headerEnd ? std::strtoul(answer.c_str() + field + 16, nullptr, 10) : 0;
        }
    }
    return answer.rfind("HTTP/1.1 200", 0) == 0;
}

// Sends a whole request on a new connection and reads the answer: true for a 200.
bool Fetch(const Options& options) {
    const int fd = Connect(options);
    if (fd < 0) return false;
    const std::string request = Request(options);
    const bool ok = SendAll(fd, request.data(), request.size()) && AnsweredOk(fd);
    close(fd);
    return ok;
}

// True when the server has closed the connection (or reset it).
bool ClosedByPeer(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    char byte;
    return recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
}

void SteadyRequests(const Options& options, Clock::time_point end, Counts& counts) {
    // Four senders share the rate, so one slow answer does not hold up the rest.
    constexpr int kSenders = 4;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&, s] {
            const auto every = std::chrono::duration<double>(double(kSenders) / options.rate);
            auto next = Clock::now() + std::chrono::duration_cast<Clock::duration>(every * s / kSenders);
            // Slots missed while an answer was slow are skipped, not made up for.
            for (; next < end;
                 next = std::max(next + std::chrono::duration_cast<Clock::duration>(every), Clock::now())) {
                std::this_thread::sleep_until(next);
                ++counts.sent;
                ++(Fetch(options) ? counts.answered : counts.failed);
            }
        });
    for (std::thread& t : senders) t.join();
}

// Holds options.idle connections open, sending nothing; one the server closes is opened again.
void IdleConnections(const Options& options, Clock::time_point end, Counts& counts) {
    std::vector<int> fds(static_cast<std::size_t>(options.idle), -1);
    while (Clock::now() < end) {
        for (int& fd : fds) {
            if (Clock::now() >= end) break;
            if (fd >= 0 && ClosedByPeer(fd)) {
                ++counts.closedByServer;
                close(fd);
                fd = -1;
            }
            if (fd < 0 && (fd = Connect(options, 200ms)) >= 0) ++counts.sent;
        }
        std::this_thread::sleep_for(50ms);
    }
    for (const int fd : fds)
        if (fd >= 0) close(fd);
}

// One request, a byte every 50 ms, again and again.
void ByteAtATime(const Options& options, Clock::time_point end, Counts& counts) {
    const std::string request = Request(options);
    while (Clock::now() < end) {
        const int fd = Connect(options);
        if (fd < 0) {
            std::this_thread::sleep_for(100ms);
            continue;
        }
        ++counts.sent;
        std::size_t at = 0;
        while (at < request.size() && Clock::now() < end && SendAll(fd, &request[at], 1) &&
               !ClosedByPeer(fd)) {
            ++at;
            std::this_thread::sleep_for(50ms);
        }
        if (at == request.size())
            ++(AnsweredOk(fd) ? counts.answered : counts.failed);
        else if (Clock::now() < end)
            ++counts.closedByServer;
        close(fd);
    }
}

// A request line of 1 MiB, sent as fast as the server takes it, five times a second. The kernel's
// buffers may take it all before the server reads a byte, so the answer tells what the server did.
void HugeRequestLine(const Options& options, Clock::time_point end, Counts& counts) {
    const std::string line =
        "GET /" + std::string(1 << 20, 'a') + " HTTP/1.1\r\nHost: " + options.host + "\r\n\r\n";
    while (Clock::now() < end) {
        const int fd = Connect(options);
        if (fd >= 0) {
            ++counts.sent;
            char byte;
            const bool cutOff = !SendAll(fd, line.data(), line.size()) || recv(fd, &byte, 1, 0) <= 0;
            ++(cutOff ? counts.closedByServer : counts.answered);
            close(fd);
        }
        std::this_thread::sleep_for(200ms);
    }
}

// 4 KiB of random bytes on a new connection, ten times a second.
void Garbage(const Options& options, Clock::time_point end, Counts& counts) {
    std::mt19937 random(19);
    std::string bytes(4096, '\0');
    while (Clock::now() < end) {
        for (char& c : bytes) c = static_cast<char>(random());
        const int fd = Connect(options, 1000ms);
        if (fd >= 0) {
            ++counts.sent;
            SendAll(fd, bytes.data(), bytes.size());
            char buffer[4096];
            ++(recv(fd, buffer, sizeof buffer, 0) <= 0 ? counts.closedByServer : counts.answered);
            close(fd);
        }
        std::this_thread::sleep_for(100ms);
    }
}

bool ParseTarget(const std::string& text, Options& options) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    options.host = text;
    options.target.sin_family = AF_INET;
    const int port = std::atoi(text.c_str() + colon + 1);
    options.target.sin_port = htons(static_cast<std::uint16_t>(port));
    return port > 0 && port < 65536 &&
           inet_pton(AF_INET, text.substr(0, colon).c_str(), &options.target.sin_addr) == 1;
}

int Usage(const char* error) {
    std::fprintf(
        stderr,
        "corvane-httpload: %s\nUsage: corvane-httpload --target 127.0.0.1:PORT [--seconds S] [--rate N] "
        "[--idle N] [--path PATH]\n",
        error);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool targetGiven = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--target") {
            if (!ParseTarget(value, options)) return Usage("--target needs an IPv4 ADDR:PORT");
            targetGiven = true;
        } else if (name == "--seconds") {
            options.seconds = std::atof(value.c_str());
        } else if (name == "--rate") {
            options.rate = std::atoi(value.c_str());
        } else if (name == "--idle") {
            options.idle = std::atoi(value.c_str());
        } else if (name == "--path") {
            options.path = value;
        } else {
            return Usage(("unknown option " + name).c_str());
        }
    }
    if (!targetGiven || argc % 2 == 0) return Usage("--target is needed, and every option takes a value");
    if (options.seconds <= 0 || options.seconds > 600 || options.rate <= 0 || options.idle < 0)
        return Usage("--seconds must be 0 to 600, --rate above 0 and --idle at least 0");
    // This load goes to servers on this machine only.
    if ((ntohl(options.target.sin_addr.s_addr) >> 24) != 127)
        return Usage("the target must be a loopback address");

    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(options.seconds));
    Counts steady, idle, drip, huge, garbage;
    std::vector<std::thread> clients;
    clients.emplace_back(SteadyRequests, std::cref(options), end, std::ref(steady));
    clients.emplace_back(IdleConnections, std::cref(options), end, std::ref(idle));
    clients.emplace_back(ByteAtATime, std::cref(options), end, std::ref(drip));
    clients.emplace_back(HugeRequestLine, std::cref(options), end, std::ref(huge));
    clients.emplace_back(Garbage, std::cref(options), end, std::ref(garbage));
    for (std::thread& t : clients) t.join();

    std::printf("steady requests: %ld sent, %ld answered 200, %ld failed\n", steady.sent.load(),
                steady.answered.load(), steady.failed.load());
    std::printf("idle connections: %ld opened, %ld closed by the server\n", idle.sent.load(),
                idle.closedByServer.load());
    std::printf("byte at a time: %ld started, %ld closed by the server, %ld completed\n", drip.sent.load(),
                drip.closedByServer.load(), drip.answered.load() + drip.failed.load());
    std::printf("1 MiB request line: %ld sent, %ld cut off by the server, %ld answered\n", huge.sent.load(),
                huge.closedByServer.load(), huge.answered.load());
    std::printf("garbage: %ld sent, %ld closed by the server, %ld answered\n", garbage.sent.load(),
                garbage.closedByServer.load(), garbage.answered.load());

    const Clock::time_point after = Clock::now();
    while (Clock::now() - after < 5s) {
        if (Fetch(options)) {
            std::printf("after the load: answered in %.0f ms\n",
                        std::chrono::duration<double, std::milli>(Clock::now() - after).count());
            return 0;
        }
        std::this_thread::sleep_for(100ms);
    }
    std::printf("after the load: no answer within 5 s\n");
    return 1;
}
