// CLinePump: the run's line path, on a thread of its own. It takes the link's unpolled lines as they
// arrive, dates them by the instrument's clock, appends them to the log file of their date and then
// publishes them on the record stream; the log's syncs run on a thread of their own. Nothing here
// waits for the window, for a listener or for the disk's sync. The run core owns it and hears from it
// through IPumpEvents, on the core's own thread.
#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "StatusBoard.h"
#include "run/DataLog.h"
#include "run/DeadlineThread.h"
#include "run/RecordStream.h"
#include "serial/LinkLease.h"

class QTimer;

class IPumpEvents {
public:
    virtual ~IPumpEvents() = default;
    virtual void OnLogFile(const std::string& path) = 0;
    // A batch's write failed (written false), or wrote again after failures (written true).
    virtual void OnLogWrite(bool written, int error, const std::string& path, std::size_t waiting) = 0;
    virtual void OnLogSyncFailed(int error) = 0;
    // The device went away; every line received before has been handled.
    virtual void OnLinkLost() = 0;
};

class CLinePump : public QObject, public ISerialLinkOwner {
public:
    using Clock = std::chrono::steady_clock;

    // events is called on the thread of eventsContext.
    CLinePump(CLinkLender& link, CDataLog& log, CRecordStream& records, CStatusBoard& status, IPumpEvents& events,
              QObject* eventsContext);
    ~CLinePump() override;

    // On the pump's thread, queued by the core.
    struct Start {
        bool logging = false;
        std::uint16_t logLength = CDataLog::kDaily;
        std::optional<std::time_t> instrumentTime;
    };
    void Begin(const Start& start);
    void SetInstrumentTime(std::time_t t);
    // Names the log file by the rule from the instrument's date (an unattended start's first contact).
    void NameLogFileByRule(std::time_t t);
    void SetLogLength(std::uint16_t logLength) { m_logLength = logLength; }
    // Handles what is left, tries the lines that wait a few times more and syncs. Gives the number
    // of lines that could not be written at all, which are dropped.
    std::size_t End();

    // When the last line arrived (any thread); the watch for a silent instrument reads it.
    Clock::time_point LastLine() const { return Clock::time_point(Clock::duration(m_lastLine.load())); }
    void ResetLastLine() { m_lastLine = Clock::now().time_since_epoch().count(); }

    // ISerialLinkOwner, on the reader thread.
    void OnLinkEvent(std::uint16_t event) override;

private:
    void Pump();
    void Write();
    void Post(std::function<void(IPumpEvents&)> call);

    CLinkLender& m_link;
    CDataLog& m_log;
    CRecordStream& m_records;
    CStatusBoard& m_status;
    IPumpEvents& m_events;
    QObject* m_eventsContext;
    CDeadlineThread m_sync;
    QTimer* m_retry;
    std::chrono::milliseconds m_retryDelay{0};

    bool m_bLogging = false;
    std::uint16_t m_logLength = CDataLog::kDaily;
    std::optional<std::time_t> m_instrumentTime;
    bool m_bFailing = false;
    std::atomic<Clock::rep> m_lastLine{0};
};
