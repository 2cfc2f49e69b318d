// The run core: the run's states and turns, the recovery from a lost or silent instrument, and the
// journal lines that explain each gap.
#include "run/RunCore.h"

#include <QMetaObject>
#include <QTimer>
#include <cstring>
#include <filesystem>

#include "LinePump.h"
#include "StatusBoard.h"
#include "records/Records.h"
#include "records/Status.h"
#include "run/StoredRun.h"
#include "serial/InstrumentCommands.h"
#include "station/EventJournal.h"

namespace {

std::time_t SystemTime(std::chrono::system_clock::time_point t) {
    return std::chrono::system_clock::to_time_t(t);
}

const char* TryFailureText(std::int16_t result) {
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

// The pump's news, on the core's thread.
class CRunCore::PumpEvents : public IPumpEvents {
public:
    explicit PumpEvents(CRunCore& core) : m_core(core) {}
    void OnLogFile(const std::string& path) override { emit m_core.LogFileChanged(path); }
    void OnLogWrite(bool written, int error, const std::string& path, std::size_t waiting) override;
    void OnLogSyncFailed(int error) override {
        m_core.Journal("log-error", m_core.Status().logFile + ": the written lines could not be synced to the disk (" +
                                        std::strerror(error) + ")");
        emit m_core.LogWriteFailed();
    }
    void OnLinkLost() override { m_core.LinkLost(); }

private:
    CRunCore& m_core;
};

void CRunCore::PumpEvents::OnLogWrite(bool written, int error, const std::string& path, std::size_t waiting) {
    CRunCore& core = m_core;
    if (written) {
        if (core.m_bLogFailing) core.Journal("log-recovered", path + "; the lines that waited are written");
        core.m_bLogFailing = false;
        return;
    }
    // The first failure, then one summary an hour while they go on, as for reconnect tries.
    if (!core.m_bLogFailing) core.m_logFailures.Reset();
    core.m_bLogFailing = true;
    if (core.m_logFailures.Count(std::chrono::steady_clock::now())) {
        if (core.m_logFailures.Failures() == 1)
            core.Journal("log-error", path + ": " + std::strerror(error) +
                                          "; the lines wait and are written as soon as the file can be");
        else
            core.Journal("log-error", path + ": still " + std::strerror(error) + " after " +
                                          std::to_string(core.m_logFailures.Failures()) + " tries, " +
                                          std::to_string(waiting) + " lines waiting");
    }
    emit core.LogWriteFailed();
}

CRunCore::CRunCore(CLinkLender& link, PcClockSource pcClock, QObject* parent)
    : QObject(parent),
      m_link(link),
      m_clock(0, std::move(pcClock)),
      m_status(std::make_unique<CStatusBoard>()),
      m_pumpEvents(std::make_unique<PumpEvents>(*this)),
      m_pump(new CLinePump(link, m_log, m_records, *m_status, *m_pumpEvents, this)),
      m_worker(new QObject),
      m_tmrSilence(new QTimer(this)),
      m_tmrReopen(new QTimer(this)) {
    m_pump->moveToThread(&m_pumpThread);
    m_worker->moveToThread(&m_workerThread);
    m_pumpThread.setObjectName(QStringLiteral("line pump"));
    m_workerThread.setObjectName(QStringLiteral("link worker"));
    m_pumpThread.start();
    m_workerThread.start();
    // Logs go to the working folder, named after today, until a run is told otherwise. The folder's
    // name is kept as the file system spells it, whatever its encoding.
    std::error_code error;
    m_log.SetLogFolder(std::filesystem::current_path(error).native());
    const std::time_t now = std::time(nullptr);
    m_log.MakeLogFileName(now);
    m_log.m_nLogDate = CDataLog::DateOf(now);

    m_tmrSilence->setSingleShot(true);
    m_tmrReopen->setSingleShot(true);
    connect(m_tmrSilence, &QTimer::timeout, this, &CRunCore::CheckSilence);
    connect(m_tmrReopen, &QTimer::timeout, this, &CRunCore::StartTry);
    // The clock watch sees every record of a run; its work per record is a few comparisons.
    m_records.Subscribe(this, "clock", [this](const SharedRecordBatch& batch) {
        const bool running = m_state == RunState::Running;
        bool correct = false;
        for (const ReceivedRecord& record : *batch)
            correct = m_clock.OnRecord(record.line, record.arrival, running) || correct;
        if (correct) CorrectClock();
    });
}

CRunCore::~CRunCore() {
    if (m_state != RunState::Idle) StopAndWait("Exit");
    m_workerThread.quit();
    m_workerThread.wait();
    // The pump's objects are its thread's: they go with it.
    QMetaObject::invokeMethod(m_pump, [pump = m_pump] { delete pump; }, Qt::BlockingQueuedConnection);
    m_pumpThread.quit();
    m_pumpThread.wait();
    delete m_worker;
}

RunStatus CRunCore::Status() const {
    RunStatus status = m_status->Snapshot();
    status.clockOffsetSeconds = m_clock.OffsetSeconds();
    status.pcClockSynchronized = m_clock.PcSynchronized();
    return status;
}

void CRunCore::NoteSetup(const InstrumentSetup& setup) {
    const int averaging = ParseDecimal(setup.Get(Timing::Averaging));
    m_status->Update([&](RunStatus& s) {
        s.averagingSeconds = averaging > 0 ? std::optional<int>(averaging) : std::nullopt;
    });
}

void CRunCore::Journal(const char* word, const std::string& details) const {
    JournalEvent(word, details);
}

std::string CRunCore::PortName() const {
    return ComPortName(m_config.port);
}


void CRunCore::SetState(RunState state) {
    if (state == m_state) return;
    m_state = state;
    const auto now = std::chrono::system_clock::now();
    const bool connected = m_link.IsConnected() && state != RunState::WaitingForInstrument;
    m_status->Update([&](RunStatus& s) {
        s.state = state;
        s.since = now;
        s.connected = connected;
    });
    emit StateChanged(state);
}

void CRunCore::OnWorker(LinkJob job, std::function<void()> done) {
    CSerialLink* link = &**m_lease;
    const unsigned epoch = m_nEpoch;
    QMetaObject::invokeMethod(
        m_worker,
        [this, link, epoch, job = std::move(job), done = std::move(done)] {
            job(*link);
            QMetaObject::invokeMethod(
                this,
                [this, epoch, done] {
                    if (epoch == m_nEpoch && done) done();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void CRunCore::BeginRun(const RunConfig& config, CLinkLease lease) {
    m_lease.emplace(std::move(lease));
    ++m_nEpoch;
    m_bLogFailing = false;
    m_bStopRequested = false;
    m_turn = Turn::Start;
    // The pump is idle between runs: the log is this thread's until the run's first job reaches it.
    m_log.SetLogFolder(config.logFolder.empty() ? m_log.m_strLogPath : config.logFolder);
    if (!config.logFile.empty()) m_log.m_strLogFile = config.logFile;
    m_config = config;
    m_config.logFolder = m_log.m_strLogPath;  // as the log has it, "/"-ended
    m_clock.SetKeepThreshold(config.keepClockSeconds);
    m_clock.OnRunStarted();
    m_clock.CheckPcClock();
    {
        const std::lock_guard lock(m_stopLock);
        m_bPumpEnded = false;
    }
    m_status->Update([&](RunStatus& s) {
        const std::optional<int> averaging = s.averagingSeconds;
        s = RunStatus{};
        s.averagingSeconds = averaging;
        s.port = config.port;
        s.device = CSerialLink::DeviceForPort(config.port);
        s.logging = config.logging;
    });
    (*m_lease)->AllowExchanges();
    (*m_lease)->SetOwnerWindow(m_pump);
    CLinePump::Start start{config.logging, config.logLength, config.instrumentTime};
    QMetaObject::invokeMethod(m_pump, [pump = m_pump, start] { pump->Begin(start); }, Qt::QueuedConnection);
}

void CRunCore::Start(const RunConfig& config, CLinkLease lease) {
    if (m_state != RunState::Idle) return;
    BeginRun(config, std::move(lease));
    m_bNameLogFile = false;
    NoteSetup(config.setup);
    SetState(RunState::Starting);
    JournalTurn();
    OnWorker(
        [this](CSerialLink& link) {
            // The window read the time before its boxes, which may have stood open for minutes: a kept
            // clock is judged by the time it reads now.
            if (m_clock.Keeping()) {
                std::string answer = link.SendCommand("%s", InstrumentCommand::kReadTime);
                SetClockIfKept(link, answer);
            }
            BeginUnpolled(link);
        },
        [this] { UnpolledStarted(); });
}

bool CRunCore::StartUnattended(const RunConfig& config) {
    if (m_state != RunState::Idle) return true;
    std::optional<CLinkLease> lease = m_link.TryLease();
    if (!lease) return false;
    BeginRun(config, std::move(*lease));
    m_bNameLogFile = config.logFile.empty();
    // The first try is at once; the instrument part of the start follows when it answers.
    WaitForInstrument(std::time(nullptr), true);
    return true;
}

void CRunCore::JournalTurn() {
    switch (m_turn) {
        case Turn::Start:
            if (!RememberRunPort(m_config.port))
                Journal("settings-error", "the run's Com port could not be stored for the next unattended start");
            Journal("run-started", PortName() + (m_config.logging ? ", logging to " + m_config.logFolder +
                                                                           m_config.logFile
                                                                     : ", no logging"));
            break;
        case Turn::AfterClockSet:
            break;  // the clock keeper has said what it did
        case Turn::AfterLoss:
        case Turn::AfterSilence:
            // The gap is counted from the last line received, not from the start of the wait.
            Journal(m_turn == Turn::AfterSilence ? "silent-instrument-restarted" : "instrument-back",
                    PortName() + " after " + GapText(std::chrono::seconds(std::time(nullptr) - m_waitingSince)));
            break;
    }
}

void CRunCore::StartUnpolled() {
    // The run has its instrument from here on: lines may come at once, even while "UB" waits.
    JournalTurn();
    OnWorker(BeginUnpolled, [this] { UnpolledStarted(); });
}

void CRunCore::SetClockIfKept(CSerialLink& link, std::string& timeAnswer) {
    if (m_bStopRequested || link.IsLinkLost()) return;
    const std::optional<std::string> command = m_clock.ClockCommandAtStart(timeAnswer);
    if (!command) return;
    const std::string reply = link.SendCommand("%s", command->c_str());
    timeAnswer = link.SendCommand("%s", InstrumentCommand::kReadTime);
    m_clock.OnClockCommandAnswered(reply, timeAnswer);
    // The log dates its next lines by the clock as it is now.
    if (const std::optional<TimeRecord> time = ParseTimeRecord(timeAnswer); time && time->instrumentTime)
        QMetaObject::invokeMethod(
            m_pump, [pump = m_pump, t = *time->instrumentTime] { pump->SetInstrumentTime(t); }, Qt::QueuedConnection);
}

void CRunCore::UnpolledStarted() {
    m_pump->ResetLastLine();
    SetState(RunState::Running);
    WatchForLines();
}

void CRunCore::WatchForLines() {
    // Only records sent every averaging period can tell a silent instrument; zero records alone
    // come once per auto zero period, and with no records on nothing ever comes.
    if (!m_config.setup.SendsEveryPeriod()) return;
    m_silenceLimit = SilenceLimit(m_config.setup.Get(Timing::Averaging)).count() * m_unit;
    m_tmrSilence->start(m_silenceLimit);
}

// The timer runs from the last check, not from each line: it is moved on only when it finds that
// lines have come meanwhile.
void CRunCore::CheckSilence() {
    if (m_state != RunState::Running) return;
    const auto quiet =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_pump->LastLine());
    if (quiet < m_silenceLimit) {
        m_tmrSilence->start(m_silenceLimit - quiet);
        return;
    }
    const std::time_t since = std::time(nullptr) - std::chrono::duration_cast<std::chrono::seconds>(quiet).count();
    Journal("instrument-silent", PortName() + ": no line since " + ClockText(since) +
                                     "; ending unpolled output and checking the handshake");
    m_status->Update([](RunStatus& s) { ++s.silentRestarts; });
    m_turn = Turn::AfterSilence;
    ++m_nEpoch;
    // The handshake is checked by the normal open, as every try.
    OnWorker(
        [](CSerialLink& link) {
            link.SendCommand("%s", InstrumentCommand::kStopUnpolled);
            link.SetUnpolled(false);
            link.ClosePort();
        },
        nullptr);
    WaitForInstrument(since, true);
}

void CRunCore::CorrectClock() {
    m_turn = Turn::AfterClockSet;
    ++m_nEpoch;
    m_tmrSilence->stop();
    SetState(RunState::Starting);
    // Still unpolled while "UE" waits out its time-out: whatever the instrument sends meanwhile is
    // logged, so no line falls between the two outputs.
    OnWorker(
        [this](CSerialLink& link) {
            link.SendCommand("%s", InstrumentCommand::kStopUnpolled);
            // A stop that cut the wait short sends its own "UE" still unpolled and waits that out: the
            // rest of a line under way when this one came is logged then, not taken for an answer.
            if (!m_bStopRequested) link.SetUnpolled(false);
        },
        [this] { ReadInstrument(); });
}

void CRunCore::LinkLost() {
    // A notice from an earlier opening, or one that a wait already handles, changes nothing.
    if (m_state != RunState::Running && m_state != RunState::Starting) return;
    Journal("instrument-lost", PortName() + ": the device has gone");
    m_status->Update([](RunStatus& s) { ++s.losses; });
    m_turn = Turn::AfterLoss;
    ++m_nEpoch;
    OnWorker(
        [](CSerialLink& link) {
            link.SetUnpolled(false);
            link.ClosePort();
        },
        nullptr);
    const std::optional<RunStatus::TimePoint> last = m_status->Snapshot().lastLine;
    WaitForInstrument(last ? SystemTime(*last) : std::time(nullptr), false);
}

void CRunCore::WaitForInstrument(std::time_t since, bool bTryAtOnce) {
    m_tmrSilence->stop();
    m_waitingSince = since;
    m_nTry = 0;
    m_tryFailures.Reset();
    SetState(RunState::WaitingForInstrument);
    if (bTryAtOnce)
        StartTry();
    else
        m_tmrReopen->start(ReopenDelay(0).count() * m_unit);
}

void CRunCore::StartTry() {
    if (m_state != RunState::WaitingForInstrument) return;
    // The open blocks for its handshake when a device is there but silent (two probes of the open
    // time-out): on the worker, nothing else waits for it.
    const std::uint16_t port = m_config.port;
    auto result = std::make_shared<std::int16_t>(CSerialLink::kOpenNoDevice);
    OnWorker(
        [port, result](CSerialLink& link) {
            *result = link.OpenPort(port, kInstrumentBaud);
            // Open but with the line settings refused: no use for a run.
            if (*result != CSerialLink::kOpenOk) link.ClosePort();
        },
        [this, result] { TryDone(*result); });
}

void CRunCore::TryDone(std::int16_t result) {
    if (result == CSerialLink::kOpenOk) {
        ReadInstrument();
        return;
    }
    m_status->Update([](RunStatus& s) { ++s.reconnectTries; });
    if (m_tryFailures.Count(std::chrono::steady_clock::now())) {
        const auto waited = std::chrono::seconds(std::time(nullptr) - m_waitingSince);
        if (m_tryFailures.Failures() == 1)
            Journal("reconnect-failed", PortName() + ": " + TryFailureText(result) + "; " + ReopenScheduleText());
        else
            Journal("reconnect-failed", PortName() + ": still " + TryFailureText(result) + " after " +
                                            std::to_string(m_tryFailures.Failures()) + " tries, " +
                                            GapText(waited) + " without the instrument");
    }
    m_tmrReopen->start(ReopenDelay(++m_nTry).count() * m_unit);
}

// The instrument part of a start, again: its settings and current records read, the log file named
// when this is the first contact, its unpolled output started. Nothing is asked.
void CRunCore::ReadInstrument() {
    SetState(RunState::Starting);
    auto setup = std::make_shared<InstrumentSetup>();
    auto records = std::make_shared<CurrentRecords>();
    OnWorker(
        [this, setup, records](CSerialLink& link) {
            *setup = ReadInstrumentSetup(link);
            *records = ReadCurrentRecords(link);
            SetClockIfKept(link, records->time);
        },
        [this, setup, records] { InstrumentAnswered(*setup, *records); });
}

void CRunCore::InstrumentAnswered(const InstrumentSetup& setup, const CurrentRecords& records) {
    m_config.setup = setup;
    NoteSetup(setup);
    emit InstrumentRead(setup, records);
    if (const std::optional<TimeRecord> time = ParseTimeRecord(records.time); time && time->instrumentTime) {
        QMetaObject::invokeMethod(
            m_pump, [pump = m_pump, t = *time->instrumentTime] { pump->SetInstrumentTime(t); }, Qt::QueuedConnection);
    }
    if (m_bNameLogFile) {
        m_bNameLogFile = false;
        const std::optional<TimeRecord> time = ParseTimeRecord(records.time);
        const std::time_t named = time && time->instrumentTime ? *time->instrumentTime : std::time(nullptr);
        m_config.logFile = CDataLog::DefaultFileName(named);
        QMetaObject::invokeMethod(
            m_pump, [pump = m_pump, named] { pump->NameLogFileByRule(named); }, Qt::QueuedConnection);
        // A missing log folder is made now and said so; it is never replaced by another folder.
        if (m_config.logging && !std::filesystem::is_directory(m_config.logFolder)) {
            Journal("log-folder-missing", m_config.logFolder + ": creating it");
            std::error_code error;
            if (!std::filesystem::create_directories(m_config.logFolder, error) && error)
                Journal("log-error", m_config.logFolder + ": " + error.message() + "; trying again at each line");
        }
        // Nobody is there to read the weekly-size box: the switch to daily files is made and stored.
        if (m_config.logging && m_config.logLength == CDataLog::kWeekly &&
            WeeklyLogTooLarge(m_config.model, setup)) {
            m_config.logLength = CDataLog::kDaily;
            StoreDailyLogLength();
            Journal("message", std::string(kLogSizeWarning) + " [no box: unattended]");
            QMetaObject::invokeMethod(
                m_pump, [pump = m_pump] { pump->SetLogLength(CDataLog::kDaily); }, Qt::QueuedConnection);
        }
    }
    const FieldRecord aux = ParseAuxRecord(records.aux);
    if (aux.whole) {
        const std::int32_t status = ParseStatusWord(aux.fields.back());
        if (status != 0)
            Journal("fault", StatusOutputsFor(status).statusText + " Error(s) reported; the run goes on");
    }
    StartUnpolled();
}

void CRunCore::Stop(const std::string& by) {
    if (m_state == RunState::Idle || m_state == RunState::Stopping) return;
    // Nothing to tell an instrument that is not there: the run ends at once.
    const bool bWaiting = m_state == RunState::WaitingForInstrument;
    m_strStoppedBy = "by " + by + (bWaiting ? " while waiting for the instrument" : "");
    ++m_nEpoch;
    m_tmrSilence->stop();
    m_tmrReopen->stop();
    // An exchange or a try under way ends at once: no time-out stands between Stop and its end.
    m_bStopRequested = true;
    m_link.CancelExchanges();
    SetState(RunState::Stopping);
    {
        const std::lock_guard lock(m_stopLock);
        m_bPumpEnded = false;
    }
    CSerialLink* link = &**m_lease;
    QMetaObject::invokeMethod(
        m_worker,
        [this, link] {
            link->AllowExchanges();
            if (link->IsConnected()) {
                // Still unpolled: the instrument's reply comes back as a line, and is logged if it is
                // a record; this waits out the exchange's time-out.
                link->SendCommand("%s", InstrumentCommand::kStopUnpolled);
                link->SetUnpolled(false);
                link->ClosePort();
            }
            // The reader has ended with the port: what it handed over is all the run will get.
            QMetaObject::invokeMethod(
                m_pump,
                [this] {
                    const std::size_t unwritten = m_pump->End();
                    {
                        const std::lock_guard lock(m_stopLock);
                        m_bPumpEnded = true;
                        m_nUnwritten = unwritten;
                    }
                    m_stopped.notify_all();
                    QMetaObject::invokeMethod(this, [this] { FinishStop(); }, Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void CRunCore::StopAndWait(const std::string& by) {
    Stop(by);
    if (m_state != RunState::Stopping) return;
    {
        std::unique_lock lock(m_stopLock);
        m_stopped.wait(lock, [this] { return m_bPumpEnded; });
    }
    FinishStop();
}

void CRunCore::RequestStop(const std::string& by) {
    m_bStopRequested = true;
    m_link.CancelExchanges();
    QMetaObject::invokeMethod(this, [this, by] { Stop(by); }, Qt::QueuedConnection);
}

void CRunCore::FinishStop() {
    if (m_state != RunState::Stopping) return;
    std::size_t unwritten = 0;
    {
        const std::lock_guard lock(m_stopLock);
        if (!m_bPumpEnded) return;
        unwritten = m_nUnwritten;
    }
    if (unwritten > 0)
        Journal("log-error", m_log.FullPath() + ": " + std::to_string(unwritten) +
                                 " lines could not be written before the run ended");
    (*m_lease)->SetOwnerWindow(nullptr);
    m_lease.reset();
    Journal("run-stopped", m_strStoppedBy);
    SetState(RunState::Idle);
}
