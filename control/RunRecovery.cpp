// The run recovery: the silence watch, and the reopen tries on their schedule.
#include "control/RunRecovery.h"

#include <QTimer>

#include "station/EventJournal.h"
#include "serial/SerialLink.h"

namespace {
// The rate every opening of the program uses (the Communications page opens at it too).
constexpr std::uint16_t kRunBaud = 9600;

const char* FailureText(std::int16_t result) {
    switch (result) {
        case CSerialLink::kOpenNoDevice:
            return "no device, or it is in use";
        case CSerialLink::kOpenNoAnswer:
            return "the instrument does not answer";
        default:
            return "the port refused the line settings";
    }
}
}  // namespace

CRunRecovery::CRunRecovery(CSerialLink& link, QObject* parent)
    : QObject(parent), m_link(link), m_tmrSilence(new QTimer(this)), m_tmrReopen(new QTimer(this)) {
    m_tmrSilence->setSingleShot(true);
    m_tmrReopen->setSingleShot(true);
    connect(m_tmrSilence, &QTimer::timeout, this, &CRunRecovery::CheckSilence);
    connect(m_tmrReopen, &QTimer::timeout, this, &CRunRecovery::StartTry);
}

CRunRecovery::~CRunRecovery() {
    Stop();
}

void CRunRecovery::Watch(const std::string& averagingTime) {
    m_silenceLimit = SilenceLimit(averagingTime).count() * m_unit;
    m_tLastLine = Clock::now();
    m_tmrSilence->start(m_silenceLimit);
}

std::time_t CRunRecovery::LastLineTime() const {
    const auto ago = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_tLastLine);
    return std::time(nullptr) - static_cast<std::time_t>(ago.count());
}

// The timer runs from the last check, not from each line: it is moved on only when it finds that
// lines have come meanwhile.
void CRunRecovery::CheckSilence() {
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_tLastLine);
    if (quiet < m_silenceLimit) {
        m_tmrSilence->start(m_silenceLimit - quiet);
        return;
    }
    emit Silent();
}

void CRunRecovery::WaitForInstrument(std::uint16_t nPort, bool bTryAtOnce) {
    m_tmrSilence->stop();
    m_bWaiting = true;
    m_nPort = nPort;
    m_nTry = 0;
    m_failures.Reset();
    m_tWaitStart = Clock::now();
    if (bTryAtOnce)
        StartTry();
    else
        m_tmrReopen->start(ReopenDelay(0).count() * m_unit);
}

std::chrono::seconds CRunRecovery::WaitedFor() const {
    return std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_tWaitStart);
}

void CRunRecovery::StartTry() {
    // The open blocks for its handshake when a device is there but silent (two probes of the open
    // time-out); on this thread the window goes on working meanwhile. The window touches the link
    // only through atomic state until the result arrives.
    m_try = std::thread([this, nPort = m_nPort] {
        const std::int16_t result = m_link.OpenPort(nPort, kRunBaud);
        QMetaObject::invokeMethod(this, [this, result] { TryDone(result); }, Qt::QueuedConnection);
    });
}

void CRunRecovery::TryDone(std::int16_t result) {
    if (!m_try.joinable()) return;  // Stop took this try's result already
    m_try.join();
    if (result == CSerialLink::kOpenOk) {
        m_bWaiting = false;
        emit Reopened();
        return;
    }
    // Open but with the line settings refused: no use for a run.
    m_link.ClosePort();
    JournalFailure(result);
    m_tmrReopen->start(ReopenDelay(++m_nTry).count() * m_unit);
}

void CRunRecovery::JournalFailure(std::int16_t result) {
    if (!m_failures.Count(Clock::now())) return;
    const std::string port = "Com" + std::to_string(m_nPort);
    if (m_failures.Failures() == 1) {
        JournalEvent("reconnect-failed", port + ": " + FailureText(result) +
                                              "; trying every 2 s, then every 10 s (reported hourly)");
    } else {
        JournalEvent("reconnect-failed", port + ": still " + FailureText(result) + " after " +
                                              std::to_string(m_failures.Failures()) + " tries, " +
                                              GapText(WaitedFor()) + " without the instrument");
    }
}

void CRunRecovery::Stop() {
    m_tmrSilence->stop();
    m_tmrReopen->stop();
    m_bWaiting = false;
    if (m_try.joinable()) {
        m_try.join();
        m_link.ClosePort();
    }
}
