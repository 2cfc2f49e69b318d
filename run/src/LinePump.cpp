// The run's line path: lines taken, dated, logged, then published.
#include "LinePump.h"

#include <QMetaObject>
#include <QTimer>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "records/Records.h"
#include "serial/InstrumentCommands.h"

namespace {
// A failed write is tried again after this, doubling up to the longest: a copy script's short lock
// costs nothing, and a folder gone for hours costs one try every two seconds.
constexpr std::chrono::milliseconds kFirstRetry{100};
constexpr std::chrono::milliseconds kLongestRetry{2000};
// At the end of a run the waiting lines get this many more tries, this far apart.
constexpr int kFinalTries = 5;
constexpr std::chrono::milliseconds kFinalTryGap{100};
}  // namespace

CLinePump::CLinePump(CLinkLender& link, CDataLog& log, CRecordStream& records, CStatusBoard& status,
                     IPumpEvents& events, QObject* eventsContext)
    : m_link(link),
      m_log(log),
      m_records(records),
      m_status(status),
      m_events(events),
      m_eventsContext(eventsContext),
      m_sync([this] { return m_log.SyncDeadline(); },
             [this](Clock::time_point now) {
                 if (m_log.SyncIfDue(now)) {
                     m_status.Update([&](RunStatus& s) { s.lastLogSync = m_log.LastSyncTime(); });
                     return;
                 }
                 const int error = errno;
                 m_status.Update([](RunStatus& s) { ++s.logWriteErrors; });
                 Post([error](IPumpEvents& e) { e.OnLogSyncFailed(error); });
             }),
      m_retry(new QTimer(this)) {
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, [this] { Write(); });
}

CLinePump::~CLinePump() = default;

void CLinePump::Post(std::function<void(IPumpEvents&)> call) {
    // The call holds the events' owner, not the pump: it may come after the pump has gone.
    QMetaObject::invokeMethod(
        m_eventsContext, [&events = m_events, call = std::move(call)] { call(events); }, Qt::QueuedConnection);
}

void CLinePump::OnLinkEvent(std::uint16_t event) {
    // Queued behind the lines notified before, so the loss is handled after them.
    if (event == kCommEventLinkLost) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                Pump();
                Post([](IPumpEvents& e) { e.OnLinkLost(); });
            },
            Qt::QueuedConnection);
    } else {
        QMetaObject::invokeMethod(this, [this] { Pump(); }, Qt::QueuedConnection);
    }
}

void CLinePump::Begin(const Start& start) {
    m_bLogging = start.logging;
    m_logLength = start.logLength;
    m_instrumentTime = start.instrumentTime;
    m_bFailing = false;
    ResetLastLine();
    if (m_bLogging) {
        const std::string path = m_log.FullPath();
        m_status.Update([&](RunStatus& s) { s.logFile = path; });
    }
}

void CLinePump::SetInstrumentTime(std::time_t t) {
    m_instrumentTime = t;
}

void CLinePump::NameLogFileByRule(std::time_t t) {
    m_log.MakeLogFileName(t);
    m_log.DateChanged(t);  // the file is named for this day: no rollover at the first line
    const std::string path = m_log.FullPath();
    m_status.Update([&](RunStatus& s) { s.logFile = path; });
    Post([path](IPumpEvents& e) { e.OnLogFile(path); });
}

void CLinePump::Pump() {
    std::vector<ReceivedLine> lines = m_link.TakeRecordLines();
    if (lines.empty()) return;
    m_lastLine = Clock::now().time_since_epoch().count();

    // The lines go to their file first; only then are they parsed for the listeners.
    std::uint64_t unreadable = 0;
    bool bNewFile = false;
    std::erase_if(lines, [&](const ReceivedLine& line) {
        // Lines that are no records (an answer, line noise) are neither logged nor published.
        if (!line.text.empty() && IsRecordLetter(line.text.front())) return false;
        if (line.text != kReplyOk) ++unreadable;
        return true;
    });
    for (const ReceivedLine& line : lines) {
        // Files are named and rolled over by the instrument's clock once it has reported one; a T
        // record dates itself, so a new day's first T record is the new file's first line.
        if (line.text.front() == 'T')
            if (const std::optional<TimeRecord> time = ParseTimeRecord(line.text); time && time->instrumentTime)
                m_instrumentTime = time->instrumentTime;
        if (!m_bLogging) continue;
        bNewFile = m_log.RollOver(m_instrumentTime.value_or(std::time(nullptr)), m_logLength) || bNewFile;
        m_log.AddLine(line.text);
    }
    if (m_bLogging) Write();
    if (bNewFile) {
        const std::string path = m_log.FullPath();
        m_status.Update([&](RunStatus& s) { s.logFile = path; });
        Post([path](IPumpEvents& e) { e.OnLogFile(path); });
    }

    RecordBatch batch;
    batch.reserve(lines.size());
    for (ReceivedLine& line : lines) batch.push_back(MakeReceivedRecord(std::move(line.text), line.arrival));
    const auto lastArrival = batch.empty() ? std::chrono::system_clock::now() : batch.back().arrival;
    m_status.Update([&](RunStatus& s) {
        s.unreadableLines += unreadable;
        s.lastLine = lastArrival;
    });
    m_records.Publish(std::move(batch));
}

void CLinePump::Write() {
    bool bWritten = m_log.WritePending(CDataLog::Clock::now());
    int error = errno;
    if (!bWritten && !std::filesystem::is_directory(m_log.m_strLogPath)) {
        // A log folder that has gone is made again, and the lines go into it at once.
        std::error_code ignored;
        if (std::filesystem::create_directories(m_log.m_strLogPath, ignored)) {
            bWritten = m_log.WritePending(CDataLog::Clock::now());
            if (!bWritten) error = errno;
        }
    }
    const std::size_t waiting = m_log.WaitingLines();
    const std::uint64_t dropped = m_log.DroppedLines();
    m_status.Update([&](RunStatus& s) {
        s.logLinesKept = waiting;
        s.logLinesDropped = dropped;
        if (!bWritten) ++s.logWriteErrors;
    });
    m_sync.Wake();
    if (!bWritten || m_bFailing) {
        Post([bWritten, error, path = m_log.FullPath(), waiting](IPumpEvents& e) {
            e.OnLogWrite(bWritten, error, path, waiting);
        });
    }
    m_bFailing = !bWritten;
    if (waiting == 0) {
        m_retry->stop();
        m_retryDelay = std::chrono::milliseconds(0);
        return;
    }
    m_retryDelay = std::clamp(m_retryDelay * 2, kFirstRetry, kLongestRetry);
    m_retry->start(m_retryDelay);
}

std::size_t CLinePump::End() {
    // Every line the reader handed over has been pumped: each one came with a pump queued before this.
    m_retry->stop();
    for (int i = 0; i < kFinalTries && m_log.WaitingLines() > 0; ++i) {
        if (i > 0) std::this_thread::sleep_for(kFinalTryGap);
        Write();
    }
    m_retry->stop();
    if (!m_log.SyncNow()) {
        const int error = errno;
        m_status.Update([](RunStatus& s) { ++s.logWriteErrors; });
        Post([error](IPumpEvents& e) { e.OnLogSyncFailed(error); });
    }
    m_status.Update([&](RunStatus& s) { s.lastLogSync = m_log.LastSyncTime(); });
    const std::size_t unwritten = m_log.WaitingLines();
    m_log.DiscardWaiting();
    return unwritten;
}
