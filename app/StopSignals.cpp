// The stop signals through a self-pipe.
#include "app/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#include <cstring>

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
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

CStopSignals::CStopSignals(QObject* parent) : QObject(parent) {
    if (pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("corvane: cannot watch for stop signals");
        return;
    }
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CStopSignals::ReadPipe);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signo : kStopSignals) sigaction(signo, &action, nullptr);
}

CStopSignals::~CStopSignals() {
    if (s_pipe[0] < 0) return;
    for (const int signo : kStopSignals) std::signal(signo, SIG_DFL);
    delete m_notifier;
    close(s_pipe[0]);
    close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

void CStopSignals::ReadPipe() {
    unsigned char number = 0;
    while (read(s_pipe[0], &number, 1) == 1) emit Received(SignalName(number));
}
