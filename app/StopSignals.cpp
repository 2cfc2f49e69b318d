// The stop signals through a self-pipe read by a thread of their own.
#include "app/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
// Written by the destructor to end the watching thread; no signal has this number.
constexpr unsigned char kEndWatch = 0;
int s_pipe[2] = {-1, -1};

void OnStopSignal(int signo) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signo);
    // A full pipe already holds a stop request: losing this byte changes nothing.
    [[maybe_unused]] const ssize_t written = write(s_pipe[1], &number, 1);
    errno = saved;
}

const char* SignalName(int signo) {
    switch (signo) {
        case SIGTERM:
            return "SIGTERM";
        case SIGINT:
            return "SIGINT";
        default:
            return "SIGHUP";
    }
}

}  // namespace

CStopSignals::CStopSignals(std::function<void(const char* name)> onSignal) : m_onSignal(std::move(onSignal)) {
    // The handler must never block: only the writing end is non-blocking.
    if (pipe2(s_pipe, O_CLOEXEC) != 0 || fcntl(s_pipe[1], F_SETFL, O_NONBLOCK) != 0) {
        std::perror("corvane: cannot watch for stop signals");
        return;
    }
    m_thread = std::thread([this] { Watch(); });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signo : kStopSignals) sigaction(signo, &action, nullptr);
}

CStopSignals::~CStopSignals() {
    if (!m_thread.joinable()) return;
    for (const int signo : kStopSignals) std::signal(signo, SIG_DFL);
    const unsigned char end = kEndWatch;
    [[maybe_unused]] const ssize_t written = write(s_pipe[1], &end, 1);
    m_thread.join();
    close(s_pipe[0]);
    close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

void CStopSignals::Watch() {
    for (;;) {
        unsigned char number = kEndWatch;
        const ssize_t n = read(s_pipe[0], &number, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n != 1 || number == kEndWatch) return;
        m_onSignal(SignalName(number));
    }
}
