// CCorvanePropertySheet: the program's one window. A tabbed dialog with the Setup, Data,
// Communications and Trend pages and the Query, Start Data, Zero, Exit and Help buttons. It asks the
// operator, transfers the settings and runs the instrument sequences that need no run; the data run
// itself is the run core's, which the window starts, stops and listens to.
//
// The window itself (start-up, caption, icons, help, Exit, shut-down) is in
// CorvanePropertySheet.cpp; the settings transfer, the acquisition sequences and what the window
// shows of a run live in their own files.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "control/JournaledDialogs.h"
#include "pages/PageHost.h"
#include "records/InstrumentSettings.h"
#include "run/InstrumentSetup.h"
#include "run/RecordStream.h"
#include "run/RunStatus.h"
#include "serial/LinkLease.h"

class QPushButton;
class QTabWidget;
class CHelpWindow;
class CCorvaneCommSetupPage;
class CCorvaneDataPage;
class CCorvaneInstSetupPage;
class CRunCore;
class CTrendPage;

class CCorvanePropertySheet : public QDialog, public IPageHost {
    Q_OBJECT
public:
    // Command identifiers of the added buttons.
    static constexpr int ID_QUERY = 1002;
    static constexpr int ID_START_DATA = 1003;
    static constexpr int ID_ZERO = 1004;
    static constexpr int ID_EXIT = 1005;
    static constexpr int ID_HELP = 9;

    CCorvanePropertySheet(CLinkLender& link, CRunCore& core, IOperatorDialogs& dialogs, QWidget* parent = nullptr);
    ~CCorvanePropertySheet() override;

    // Adds "&About Corvane..." to the Help button's menu; the application shows its about box.
    void SetAboutBox(std::function<void()> showAbout);

    // IPageHost.
    const InstrumentSettingsSnapshot& Snapshot() const override { return m_snapshot; }
    void SetMainWindowIcon(IconId icon, const std::string& text) override;
    void ApplySettings() override;
    void SetInstrumentClock() override;
    void ShowHelp(const QString& keyword) override;

    void UpdateTitle();

    // Settings transfer, on a link leased for the sequence.
    // Loads the Setup page from the store and the instrument; gives what the instrument reported.
    InstrumentSetup LoadSettings(CSerialLink& link);
    void CheckLogFileSize();

    // Acquisition sequences.
    void OnQuery();
    void OnZero();
    void OnStartStopData();

    // Log files.
    bool ChooseLogFile();

    // Starts a run with what is stored and asks nothing (--start). False when no Com port is known.
    bool StartUnattended();
    // The command line's keeping of the instrument's clock, for this session: shown on the Setup page
    // and used instead of the stored setting until Apply Changes stores one.
    void SetKeepClockForSession(unsigned seconds);
    // What keeps the station description file from being used, in one box.
    void ShowStationProblems(const std::string& text);
    // A stop signal: the run ends as Stop Data ends it, every open box is closed, and the window
    // closes once the run has ended.
    void StopForSignal(const char* signalName);

    bool IsRunning() const;
    bool IsWaitingForInstrument() const;
    const QString& Title() const { return m_strTitle; }
    CRunCore& Core() { return m_core; }
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
    // The lease and the selected port opened on it; shows the error and gives nothing on failure.
    std::optional<CLinkLease> OpenPortStep();
    void ClosePortStep(CLinkLease& link);
    void StartData();
    // Query and Zero, the settings pages and the Start Data caption for a run or none.
    void ShowRunControls(bool bRunning);
    // Hands the instrument's current T, D, Y and Z records to the Data page.
    void ShowCurrentRecords(const CurrentRecords& records);
    // What the window shows of the run's state, its records and its log file.
    void OnRunState(RunState state);
    void OnRecords(const SharedRecordBatch& batch);
    void OnInstrumentRead(const InstrumentSetup& setup, const CurrentRecords& records);
    // Shows the instrument's configuration on the Setup page and keeps it as the snapshot.
    void ShowInstrumentSetup(const InstrumentSetup& setup);
    // "An error occured writing to the logfile.", one box at a time.
    void ShowLogError();
    // Whether the program is ending: a sequence that comes back from a box then goes no further.
    bool Ending() const { return m_bShutDown || m_bStopSignal; }

    CLinkLender& m_link;
    CRunCore& m_core;
    CJournaledDialogs m_dialogs;

    QPushButton* m_btnExit = nullptr;
    QPushButton* m_btnZero = nullptr;
    QPushButton* m_btnStartData = nullptr;
    QPushButton* m_btnQuery = nullptr;
    QPushButton* m_btnHelp = nullptr;
    QTabWidget* m_tabs = nullptr;
    QString m_strTitle;
    CCorvaneCommSetupPage* m_pageComm = nullptr;
    CCorvaneInstSetupPage* m_pageSetup = nullptr;
    CCorvaneDataPage* m_pageData = nullptr;
    CTrendPage* m_pageTrend = nullptr;
    InstrumentSettingsSnapshot m_snapshot;
    std::uint16_t m_nOpenPort = 0;  // the port a sequence of the window holds open; 0 when closed
    bool m_bRunShown = false;  // the controls show a run
    bool m_bKeepClockGiven = false;  // the command line gave the clock keeping for this session
    bool m_bShutDown = false;
    bool m_bStopSignal = false;
    bool m_bLogErrorShowing = false;  // the log error box is open; further failures are not boxed
    CHelpWindow* m_helpWindow = nullptr;  // made at the first help request; a child of this window
};
