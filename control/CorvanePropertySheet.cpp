// The main window's shell: start-up, layout and buttons, caption and icon, help, the comm event,
// Exit and the shut-down that ends a data run on the instrument.
#include "control/CorvanePropertySheet.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <ctime>

#include "HelpWindow.h"
#include "station/EventJournal.h"
#include "control/OperatorDialogs.h"
#include "control/RunRecovery.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/DialogUnits.h"
#include "pages/Icons.h"
#include "pages/InstSetupPage.h"
#include "serial/InstrumentCommands.h"
#include "settings/SettingsKey.h"
#include "pages/TrendPage.h"

namespace {

const char* const kAppName = "Corvane";
const char* const kExitQuestion = "The program is currently logging data.\n\rYou are sure you want to exit?";

// The comm event as a Qt event: the parameter is kCommEventLines or kCommEventLinkLost.
class CCommEvent : public QEvent {
public:
    CCommEvent(int type, std::uint16_t wParam) : QEvent(static_cast<QEvent::Type>(type)), m_wParam(wParam) {}
    std::uint16_t m_wParam;
};

QPushButton* MakeButton(const char* caption, int id, const char* tip, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::number(id));
    if (tip) button->setToolTip(QString::fromLatin1(tip));
    // The size of a standard dialog button, 50 x 14 dialog units.
    button->setMinimumSize(DialogRect(*button, 0, 0, 50, 14).size());
    return button;
}

// The port list entry chosen in an earlier session. The stored index is signed: 65535 (-1) means
// none was chosen. A missing value, or one beyond the ports found now, selects the first port.
int StoredPortIndex(int portCount) {
    std::uint16_t stored = 0;
    CSettingsKey key;
    if (key.Open(kProductKeyPath, true)) key.ReadWord(kValueCommPort, stored);
    const int index = static_cast<std::int16_t>(stored);
    if (index < 0) return -1;
    return index < portCount ? index : 0;
}

// Logs go to the working folder, named after today, until the operator chooses otherwise.
void StartLogState(CDataLog& log) {
    log.m_strLogPath = QDir::currentPath().toStdString();
    if (log.m_strLogPath.empty() || log.m_strLogPath.back() != '/') log.m_strLogPath += '/';
    const std::time_t now = std::time(nullptr);
    log.MakeLogFileName(now);
    log.m_nLogDate = CDataLog::DateOf(now);
}

}  // namespace

int CCorvanePropertySheet::CommEventType() {
    static const int type = QEvent::registerEventType();
    return type;
}

CCorvanePropertySheet::CCorvanePropertySheet(CSerialLink& link, IOperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_link(link), m_dialogs(dialogs) {
    m_link.SetOwnerWindow(this);

    // Minimise and close, but neither maximise nor resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kAppName));
    m_strTitle = windowTitle();

    m_tabs = new QTabWidget(this);
    m_pageSetup = new CCorvaneInstSetupPage(*this, m_tabs);
    m_pageData = new CCorvaneDataPage(*this, m_tabs);
    m_pageComm = new CCorvaneCommSetupPage(*this, m_link, m_tabs);
    // The pages place their controls in dialog units of their font; each gets the common page size.
    const QSize pageSize = DialogRect(*m_pageSetup, 0, 0, kPageWidthDlu, kPageHeightDlu).size();
    m_tabs->addTab(m_pageSetup, QStringLiteral("Setup"));
    m_tabs->addTab(m_pageData, QStringLiteral("Data"));
    m_tabs->addTab(m_pageComm, QStringLiteral("Communications"));
    m_pageTrend = new CTrendPage(m_tabs);
    m_pageTrend->SetLogFolderSource([this] { return m_log.m_strLogPath; });
    m_tabs->addTab(m_pageTrend, QStringLiteral("Trend"));
    for (QWidget* page : {static_cast<QWidget*>(m_pageSetup), static_cast<QWidget*>(m_pageData),
                          static_cast<QWidget*>(m_pageComm), static_cast<QWidget*>(m_pageTrend)})
        page->setFixedSize(pageSize);

    m_btnQuery = MakeButton("&Query", ID_QUERY, "Query the Nephelometer for current settings or data", this);
    m_btnStartData = MakeButton("&Start Data", ID_START_DATA, "Start or Stop unpolled data", this);
    m_btnZero = MakeButton("&Zero", ID_ZERO, "Start a Zero period", this);
    m_btnExit = MakeButton("E&xit", ID_EXIT, "Exit the program", this);
    m_btnHelp = MakeButton("&Help", ID_HELP, nullptr, this);
    setTabOrder(m_btnQuery, m_btnStartData);
    setTabOrder(m_btnStartData, m_btnZero);
    setTabOrder(m_btnZero, m_btnExit);
    setTabOrder(m_btnExit, m_btnHelp);
    // Enter presses Query unless the focus is on another push button or the page takes the key.
    m_btnQuery->setDefault(true);

    auto* helpMenu = new QMenu(m_btnHelp);
    helpMenu->addAction(QStringLiteral("&Contents"), this, [this] { ShowHelp(QString()); });
    m_btnHelp->setMenu(helpMenu);

    connect(m_btnQuery, &QPushButton::clicked, this, &CCorvanePropertySheet::OnQuery);
    connect(m_btnStartData, &QPushButton::clicked, this, &CCorvanePropertySheet::OnStartStopData);
    connect(m_btnZero, &QPushButton::clicked, this, &CCorvanePropertySheet::OnZero);
    connect(m_btnExit, &QPushButton::clicked, this, &CCorvanePropertySheet::OnExit);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {m_btnQuery, m_btnStartData, m_btnZero, m_btnExit, m_btnHelp})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setWindowIcon(IconFor(IconId::Application));

    m_pageComm->SelectIndex(StoredPortIndex(m_pageComm->PortCount()));
    StartLogState(m_log);

    m_recovery = new CRunRecovery(m_link, this);
    connect(m_recovery, &CRunRecovery::Silent, this, &CCorvanePropertySheet::OnSilent);
    connect(m_recovery, &CRunRecovery::Reopened, this, &CCorvanePropertySheet::ResumeRun);
}

CCorvanePropertySheet::~CCorvanePropertySheet() {
    ShutDown();
    m_link.SetOwnerWindow(nullptr);
}

void CCorvanePropertySheet::SetAboutBox(std::function<void()> showAbout) {
    QMenu* menu = m_btnHelp->menu();
    menu->addSeparator();
    menu->addAction(QStringLiteral("&About Corvane..."), this, std::move(showAbout));
}

void CCorvanePropertySheet::PostCommEvent(std::uint32_t uMsg, std::uint16_t wParam) {
    // Only the registered type is ours; anything else would be read as some other event.
    if (uMsg != static_cast<std::uint32_t>(CommEventType())) return;
    QCoreApplication::postEvent(this, new CCommEvent(CommEventType(), wParam));
}

bool CCorvanePropertySheet::event(QEvent* e) {
    if (e->type() == CommEventType()) {
        const std::uint16_t wParam = static_cast<CCommEvent*>(e)->m_wParam;
        if (wParam == kCommEventLinkLost)
            OnLinkLost();
        else
            OnCommEvent();
        return true;
    }
    // F1 that no page took: the Trend page's section from inside it, else the help for the whole program.
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
        ShowHelp(m_pageTrend->isAncestorOf(focusWidget()) ? QStringLiteral("trend")
                                                          : QStringLiteral("program overview"));
        return true;
    }
    return QDialog::event(e);
}

void CCorvanePropertySheet::SetMainWindowIcon(IconId icon, const std::string&) {
    setWindowIcon(IconFor(icon));
}

void CCorvanePropertySheet::ShowHelp(const QString& keyword) {
    if (!m_helpWindow) m_helpWindow = new CHelpWindow(this);
    // The manual's section anchors are the keywords with hyphens for spaces.
    m_helpWindow->ShowSection(QString(keyword).replace(u' ', u'-'));
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void CCorvanePropertySheet::UpdateTitle() {
    QString title;
    // While a run waits, its caption stays, marked; the link is not asked, as a try may be opening it.
    const bool bWaiting = IsWaitingForInstrument();
    if (bWaiting || m_link.IsConnected()) {
        title = QStringLiteral("On Com%1").arg(bWaiting ? m_nRunPort : m_link.GetPortNumber());
        if (m_pageSetup->GetLogEnable() && m_bRunning)
            title += QStringLiteral(" - Log To ") +
                     QString::fromStdString(m_log.m_strLogPath + m_log.m_strLogFile);
        if (bWaiting) title += QStringLiteral(" - Reconnecting");
    } else {
        title = QString::fromLatin1(kAppName);
    }
    setWindowTitle(title);
    m_strTitle = title;
    // The window icon is left alone: it is the Data page's fault indication during a run.
}

void CCorvanePropertySheet::OnExit() {
    if (m_pageSetup->GetLogEnable() && m_bRunning &&
        m_dialogs.MessageBox(this, QString::fromLatin1(kExitQuestion), IOperatorDialogs::Buttons::OkCancel) !=
            IOperatorDialogs::Answer::Ok)
        return;
    done(0);
    ShutDown();
}

void CCorvanePropertySheet::closeEvent(QCloseEvent* e) {
    // The caption's close button is Exit, with its question while logging.
    OnExit();
    if (isVisible())
        e->ignore();
    else
        e->accept();
}

void CCorvanePropertySheet::reject() {
    // Escape does nothing: the window closes only through Exit.
}

void CCorvanePropertySheet::ShutDown() {
    if (m_bShutDown) return;
    m_bShutDown = true;
    if (m_bRunning)
        JournalEvent("run-stopped", IsWaitingForInstrument() ? "by Exit while waiting for the instrument" : "by Exit");
    // A try under way is waited for and its port closed: a waiting run has nothing to send.
    m_recovery->Stop();
    if (m_link.IsConnected()) {
        // A run ends on the instrument too; the reply is not waited for beyond the exchange.
        if (m_bRunning) m_link.SendCommand("%s", InstrumentCommand::kStopUnpolled);
        m_link.ClosePort();
    }
    // The window is going and nobody is left to tell of a failed sync: its result is not looked at.
    m_log.SyncNow();
    m_bRunning = 0;
    if (m_helpWindow) m_helpWindow->close();
}
