// CRunCore: the data run, without widgets. It owns the link for the whole of a run (through its
// lease), the line pump that logs every line and publishes it on the record stream, the recovery from
// a lost or silent instrument, and the run's journal lines; its state is one RunState. The window and
// the headless program start and stop it and listen to it; nothing in it waits for either of them.
// Lives on the thread that made it (the program's main thread); the link's exchanges run on a worker
// thread of its own and the lines on the pump's, and each hands over to the next by a queued call.
#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "run/DataLog.h"
#include "run/InstrumentSetup.h"
#include "run/RecordStream.h"
#include "run/RunConfig.h"
#include "run/RunStatus.h"
#include "serial/LinkLease.h"
#include "station/ClockKeeper.h"
#include "station/RecoveryRules.h"

class CLinePump;
class CStatusBoard;
class QTimer;

class CRunCore : public QObject {
    Q_OBJECT
public:
    // pcClock: the PC's clock and its synchronisation state (tests give their own).
    explicit CRunCore(CLinkLender& link, PcClockSource pcClock = ReadPcClock, QObject* parent = nullptr);
    // Ends a run as Exit does.
    ~CRunCore() override;

    // The length of one second of the recovery's timing rules (1 s in the program; tests shorten it).
    void SetTimeUnit(std::chrono::milliseconds unit) { m_unit = unit; }

    // The window's start: the port is open and has answered, the instrument's settings and records
    // are read and the operator has been asked everything. The core sends "SD0" and "UB" and the run
    // goes on by itself.
    void Start(const RunConfig& config, CLinkLease lease);
    // A start that asks nothing: the port is tried until the instrument answers, then the instrument
    // part of the start runs ("UB" last) and the log file is named by the rule. False when another
    // holder has the link.
    bool StartUnattended(const RunConfig& config);
    // Ends the run in any state; returns at once and Idle follows: "UE" when the instrument sends
    // unpolled, the lines received before it logged, the files synced, the port closed. by names who
    // ended it in the journal ("the operator", "Exit", "signal SIGTERM").
    void Stop(const std::string& by);
    // Stop, and wait until the run has ended (Exit, the end of the program).
    void StopAndWait(const std::string& by);
    // Stop from any thread (a stop signal): an exchange under way is cut short at once.
    void RequestStop(const std::string& by);

    RunState State() const { return m_state; }
    bool IsRunning() const { return m_state != RunState::Idle; }
    // Any thread.
    RunStatus Status() const;
    CRecordStream& Records() { return m_records; }
    // The instrument's clock against the PC's, and its keeping; any thread.
    CClockKeeper& Clock() { return m_clock; }
    // The log's folder, name and date between runs (the next start proposes them); the pump's alone
    // during a run.
    CDataLog& Log() { return m_log; }
    const RunConfig& Config() const { return m_config; }
    // When the run last heard from its instrument, or began waiting for it.
    std::time_t WaitingSince() const { return m_waitingSince; }

signals:
    void StateChanged(RunState state);
    void LogFileChanged(const std::string& path);
    // A write or sync of the log failed (one signal per failing batch).
    void LogWriteFailed();
    // What the instrument part of an unattended start or a resume read: for the pages.
    void InstrumentRead(const InstrumentSetup& setup, const CurrentRecords& records);

private:
    class PumpEvents;
    using LinkJob = std::function<void(CSerialLink&)>;

    void BeginRun(const RunConfig& config, CLinkLease lease);
    // The instrument's settings as the status tells them.
    void NoteSetup(const InstrumentSetup& setup);
    void SetState(RunState state);
    // Runs job on the worker thread with the leased link, then done on this thread unless the run
    // has moved on meanwhile (stopped, lost) by then.
    void OnWorker(LinkJob job, std::function<void()> done);
    void WaitForInstrument(std::time_t since, bool bTryAtOnce);
    void StartTry();
    void TryDone(std::int16_t result);
    void ReadInstrument();
    void InstrumentAnswered(const InstrumentSetup& setup, const CurrentRecords& records);
    // Journals the turn the instrument has answered for, and starts its unpolled output.
    void StartUnpolled();
    void JournalTurn();
    // On the worker, after "RT": "STT" when the clock is kept and is off, and "RT" again for the
    // time after it, which replaces timeAnswer. Nothing while the run is being stopped or the
    // instrument has gone: their answers were cut short.
    void SetClockIfKept(CSerialLink& link, std::string& timeAnswer);
    void UnpolledStarted();
    void WatchForLines();
    // The clock is to be corrected during the run: its output ended, the instrument part of the
    // start runs again and sets the clock.
    void CorrectClock();
    void CheckSilence();
    void LinkLost();
    void FinishStop();
    std::string PortName() const;
    void Journal(const char* word, const std::string& details) const;

    CLinkLender& m_link;
    std::optional<CLinkLease> m_lease;  // held from a run's start to its end
    CDataLog m_log;
    CRecordStream m_records;
    CClockKeeper m_clock;
    std::unique_ptr<CStatusBoard> m_status;
    std::unique_ptr<PumpEvents> m_pumpEvents;
    QThread m_pumpThread;
    CLinePump* m_pump;  // lives on m_pumpThread
    QThread m_workerThread;
    QObject* m_worker;  // lives on m_workerThread: the link's exchanges run there, one after another
    QTimer* m_tmrSilence;
    QTimer* m_tmrReopen;

    RunConfig m_config;
    RunState m_state = RunState::Idle;
    unsigned m_nEpoch = 0;  // moves on at each turn of the run, so results of an earlier turn are dropped
    std::chrono::milliseconds m_unit{1000};
    // Which turn of the run the next "UB" starts: the run itself, or its return after a loss or a
    // silence; the journal says which.
    enum class Turn { Start, AfterLoss, AfterSilence, AfterClockSet };
    Turn m_turn = Turn::Start;
    bool m_bNameLogFile = false;  // an unattended start names its log file at the first contact
    bool m_bLogFailing = false;
    CFailureSummary m_tryFailures;
    CFailureSummary m_logFailures;
    unsigned m_nTry = 0;
    std::time_t m_waitingSince = 0;
    std::chrono::milliseconds m_silenceLimit{0};
    std::string m_strStoppedBy;
    // Set from the first moment of a stop, on any thread: the worker's exchanges are cut short from
    // then on, and what they return says nothing about the instrument.
    std::atomic<bool> m_bStopRequested{false};

    // The end of a stop, told from the pump's thread so that StopAndWait can wait for it.
    std::mutex m_stopLock;
    std::condition_variable m_stopped;
    bool m_bPumpEnded = false;
    std::size_t m_nUnwritten = 0;
};
