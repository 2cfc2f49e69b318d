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
#include <functional>
#include <string>

#include "control/DataLog.h"
#include "pages/PageHost.h"
#include "records/InstrumentSettings.h"
#include "serial/SerialLink.h"

class QPushButton;
class QTabWidget;
class CHelpWindow;
class CCorvaneCommSetupPage;
class CCorvaneDataPage;
class CCorvaneInstSetupPage;
class IOperatorDialogs;

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
    // Returns 0 when the letter was a record letter and any logging succeeded, -1 otherwise.
    int OnCommEvent(std::uint16_t letter);

    // Log files.
    bool ChooseLogFile();
    bool LogLine(const std::string& text);

    bool IsRunning() const { return m_bRunning != 0; }
    const QString& Title() const { return m_strTitle; }
    CDataLog& Log() { return m_log; }
    CCorvaneDataPage& DataPage() { return *m_pageData; }
    CCorvaneInstSetupPage& SetupPage() { return *m_pageSetup; }
    CCorvaneCommSetupPage& CommPage() { return *m_pageComm; }
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
    void EndRunOnLinkLost();
    // The end of a run shared by Stop Data and a lost device: port closed, controls restored.
    void EndRun();

    CSerialLink& m_link;
    IOperatorDialogs& m_dialogs;

    QPushButton* m_btnExit = nullptr;
    QPushButton* m_btnZero = nullptr;
    QPushButton* m_btnStartData = nullptr;
    QPushButton* m_btnQuery = nullptr;
    QPushButton* m_btnHelp = nullptr;
    QTabWidget* m_tabs = nullptr;
    QString m_strTitle;
    int m_bRunning = 0;
    CDataLog m_log;
    CCorvaneCommSetupPage* m_pageComm = nullptr;
    CCorvaneInstSetupPage* m_pageSetup = nullptr;
    CCorvaneDataPage* m_pageData = nullptr;
    InstrumentSettingsSnapshot m_snapshot;
    bool m_bShutDown = false;
    bool m_bLogErrorShowing = false;  // the log error box is open; further failures are not boxed
    CHelpWindow* m_helpWindow = nullptr;  // made at the first help request; a child of this window
};
