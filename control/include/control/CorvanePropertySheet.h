// CCorvanePropertySheet: the program's one window. A tabbed dialog with the Setup, Data and
// Communications pages and the Query, Start Data, Zero, Exit and Help buttons; it owns the log
// state, the run flag and the last-known instrument settings.
//
// The window itself (start-up, caption, icons, help, Exit, shut-down) is in
// CorvanePropertySheet.cpp; the settings transfer, the acquisition sequences and the log files
// live in their own files.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "run/DataLog.h"
#include "run/DeadlineThread.h"
#include "control/JournaledDialogs.h"
#include "pages/PageHost.h"
#include "records/InstrumentSettings.h"
#include "serial/SerialLink.h"

class QPushButton;
class QTabWidget;
class CHelpWindow;
class CCorvaneCommSetupPage;
class CCorvaneDataPage;
class CCorvaneInstSetupPage;
class CRunRecovery;
class CTrendPage;

class CCorvanePropertySheet : public QDialog, public ISerialLinkOwner, public IPageHost {
    Q_OBJECT
public:
    // Command identifiers of the added buttons.
    static constexpr int ID_QUERY = 1002;
    static constexpr int ID_START_DATA = 1003;
    static constexpr int ID_ZERO = 1004;
    static constexpr int ID_EXIT = 1005;
    static constexpr int ID_HELP = 9;

    CCorvanePropertySheet(CSerialLink& link, IOperatorDialogs& dialogs, QWidget* parent = nullptr);
    ~CCorvanePropertySheet() override;

    // The Qt event type standing in for "CORVANE - Comm Event"; registered once at start-up.
    static int CommEventType();

    // Adds "&About Corvane..." to the Help button's menu; the application shows its about box.
    void SetAboutBox(std::function<void()> showAbout);

    // ISerialLinkOwner, on the reader thread: posts the comm event to this window.
    void PostCommEvent(std::uint32_t uMsg, std::uint16_t wParam) override;

    // IPageHost.
    const InstrumentSettingsSnapshot& Snapshot() const override { return m_snapshot; }
    void SetMainWindowIcon(IconId icon, const std::string& text) override;
    void ApplySettings() override;
    void SetInstrumentClock() override;
    void ShowHelp(const QString& keyword) override;

    void UpdateTitle();

    // Settings transfer.
    void LoadSettings();
    void CheckLogFileSize();

    // Acquisition sequences.
    void OnQuery();
    void OnZero();
    void OnStartStopData();
    // Handles every line waiting in the link, in arrival order.
    void OnCommEvent();

    // Log files.
    bool ChooseLogFile();
    // The date check of one line, which then waits for WriteLogLines.
    void LogLine(const std::string& text);

    // Unattended operation (UnattendedRun.cpp).
    // Starts a run with what is stored and asks nothing: the log file is named by the usual rule in
    // the stored folder, a fault is journaled, and a port that does not answer is waited for. False
    // when no Com port is known.
    bool StartUnattended();
    // Ends a run as Stop Data does, for a signal named by text, then closes the window.
    void StopForSignal(const char* signalName);
    bool IsWaitingForInstrument() const;
    CRunRecovery& Recovery() { return *m_recovery; }

    bool IsRunning() const { return m_bRunning != 0; }
    const QString& Title() const { return m_strTitle; }
    CDataLog& Log() { return m_log; }
    CCorvaneDataPage& DataPage() { return *m_pageData; }
    CCorvaneInstSetupPage& SetupPage() { return *m_pageSetup; }
    CCorvaneCommSetupPage& CommPage() { return *m_pageComm; }
    CTrendPage& TrendPage() { return *m_pageTrend; }
    QTabWidget& Tabs() { return *m_tabs; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void OnExit();
    void ShutDown();
    // Opens the selected port when closed; shows the error and returns false on failure.
    bool OpenPortStep();
    void StartData();
    void StopData();
    // The end of a run, shared by Stop Data, a signal and Exit; who ended it goes to the journal.
    void StopRun(const char* by);
    // Port closed, controls restored.
    void EndRun();
    // Query and Zero, the settings pages and the Start Data caption for a run or none.
    void ShowRunControls(bool bRunning);
    // Reads the instrument's current T, D, Y and Z records into the Data page.
    void ReadCurrentRecords();
    // "SD0", then "UB" with unpolled mode on.
    void BeginUnpolled();
    // The run has started on the instrument: its port remembered, the journal told, lines watched.
    void RunStartedOnInstrument();
    // The silence watch, when the instrument sends records every averaging period.
    void WatchForLines();
    void OnLinkLost();
    void OnSilent();
    void ResumeRun();
    // The run waits for its instrument: caption, status light and the reopen tries.
    void WaitForInstrument(std::time_t since, bool bTryAtOnce);
    void ShowWaiting(bool bWaiting, std::time_t since = 0);
    // A new log file named by the usual rule, in a folder created when missing.
    void NameLogFileByRule();
    // Journals a log write's failure once, and its recovery; recreates a missing log folder.
    void NoteLogWrite(bool bWritten);
    // Appends the lines LogLine queued and wakes the sync thread for what stays unsynced.
    void WriteLogLines();
    // The sync thread's task: a failed sync is boxed on the window's thread.
    void SyncLogIfDue(CDataLog::Clock::time_point now);
    // Syncs the written log lines at once (end of a run).
    void SyncLog();
    // "An error occured writing to the logfile.", one box at a time.
    void ShowLogError();

    CSerialLink& m_link;
    CJournaledDialogs m_dialogs;

    QPushButton* m_btnExit = nullptr;
    QPushButton* m_btnZero = nullptr;
    QPushButton* m_btnStartData = nullptr;
    QPushButton* m_btnQuery = nullptr;
    QPushButton* m_btnHelp = nullptr;
    QTabWidget* m_tabs = nullptr;
    QString m_strTitle;
    int m_bRunning = 0;
    CDataLog m_log;
    // Syncs the written log lines at their deadline, so that no line waits for the disk.
    CDeadlineThread m_logSync{[this] { return m_log.SyncDeadline(); },
                              [this](CDataLog::Clock::time_point now) { SyncLogIfDue(now); }};
    CCorvaneCommSetupPage* m_pageComm = nullptr;
    CCorvaneInstSetupPage* m_pageSetup = nullptr;
    CCorvaneDataPage* m_pageData = nullptr;
    CTrendPage* m_pageTrend = nullptr;
    InstrumentSettingsSnapshot m_snapshot;
    bool m_bShutDown = false;
    bool m_bLogErrorShowing = false;  // the log error box is open; further failures are not boxed
    CHelpWindow* m_helpWindow = nullptr;  // made at the first help request; a child of this window
    CRunRecovery* m_recovery = nullptr;   // a child of this window
    std::uint16_t m_nRunPort = 0;         // Com port of the run, kept while it waits
    bool m_bNameLogFileByRule = false;    // an unattended start whose log file is not named yet
    bool m_bSilentRestart = false;        // the wait began with a silent instrument
    bool m_bLogFailing = false;           // the last log write failed
};
