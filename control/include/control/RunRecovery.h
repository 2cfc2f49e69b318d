// CRunRecovery: keeps a data run alive through the loss of its instrument. It watches for lines
// while the run receives, and while the run waits it tries the run's Com port again on a schedule,
// each try the normal open with its handshake, off the window's thread so that a present but
// silent device does not freeze the window. Used by the main window, which resumes the run.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>

#include "station/RecoveryRules.h"

class CSerialLink;
class QTimer;

class CRunRecovery : public QObject {
    Q_OBJECT
public:
    explicit CRunRecovery(CSerialLink& link, QObject* parent = nullptr);
    ~CRunRecovery() override;  // waits for a try under way

    // The length of one second of the timing rules (1 s in the program; tests shorten it).
    void SetTimeUnit(std::chrono::milliseconds unit) { m_unit = unit; }

    // The run receives from the instrument: Silent() follows when no line arrives for the
    // silence limit of this averaging time.
    void Watch(const std::string& averagingTime);
    // A line has arrived. Called for every line, so it only notes the time.
    void LineArrived() { m_tLastLine = Clock::now(); }
    // The time the last line arrived, or the watch started.
    std::time_t LastLineTime() const;

    // The run has no instrument (its port is closed): tries Com port nPort until it answers, the
    // first try at once or after the first delay. Reopened() follows with the port open.
    void WaitForInstrument(std::uint16_t nPort, bool bTryAtOnce);
    bool IsWaiting() const { return m_bWaiting; }
    // Time since WaitForInstrument.
    std::chrono::seconds WaitedFor() const;
    unsigned FailedTries() const { return m_failures.Failures(); }

    // Ends watching and waiting. A try under way is waited for, and a port it opened is closed.
    void Stop();

signals:
    void Silent();
    void Reopened();

private:
    using Clock = std::chrono::steady_clock;

    void CheckSilence();
    void StartTry();
    void TryDone(std::int16_t result);
    void JournalFailure(std::int16_t result);

    CSerialLink& m_link;
    std::chrono::milliseconds m_unit{1000};
    QTimer* m_tmrSilence;
    QTimer* m_tmrReopen;
    std::chrono::milliseconds m_silenceLimit{0};
    Clock::time_point m_tLastLine{};
    bool m_bWaiting = false;
    std::uint16_t m_nPort = 0;
    unsigned m_nTry = 0;
    Clock::time_point m_tWaitStart{};
    CFailureSummary m_failures;
    std::thread m_try;  // joinable from the start of a try until its result is taken or Stop
};
