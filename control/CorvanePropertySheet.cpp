// The main window's shell: start-up, layout and buttons, caption and icon, help, Exit and the
// shut-down that ends a data run on the instrument.
#include "control/CorvanePropertySheet.h"

#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "HelpWindow.h"
#include "control/OperatorDialogs.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/DialogUnits.h"
#include "pages/Icons.h"
#include "pages/InstSetupPage.h"
#include "pages/TrendPage.h"
#include "run/RunCore.h"
#include "settings/SettingsKey.h"

namespace {

const char* const kAppName = "Corvane";
const char* const kExitQuestion = "The program is currently logging data.\n\rYou are sure you want to exit?";

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

}  // namespace

CCorvanePropertySheet::CCorvanePropertySheet(CLinkLender& link, CRunCore& core, IOperatorDialogs& dialogs,
                                             QWidget* parent)
    : QDialog(parent), m_link(link), m_core(core), m_dialogs(dialogs) {
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
    // During a run the folder is the run's; between runs the one the next start proposes.
    m_pageTrend->SetLogFolderSource(
        [this] { return m_core.IsRunning() ? m_core.Config().logFolder : m_core.Log().m_strLogPath; });
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

    // The run's records reach the pages after they are in the log file, on this thread.
    m_core.Records().Subscribe(this, "window", [this](const SharedRecordBatch& batch) { OnRecords(batch); });
    connect(&m_core, &CRunCore::StateChanged, this, &CCorvanePropertySheet::OnRunState);
    connect(&m_core, &CRunCore::LogFileChanged, this, &CCorvanePropertySheet::UpdateTitle);
    connect(&m_core, &CRunCore::LogWriteFailed, this, &CCorvanePropertySheet::ShowLogError);
    connect(&m_core, &CRunCore::InstrumentRead, this, &CCorvanePropertySheet::OnInstrumentRead);
}

CCorvanePropertySheet::~CCorvanePropertySheet() {
    ShutDown();
}

void CCorvanePropertySheet::SetAboutBox(std::function<void()> showAbout) {
    QMenu* menu = m_btnHelp->menu();
    menu->addSeparator();
    menu->addAction(QStringLiteral("&About Corvane..."), this, std::move(showAbout));
}

bool CCorvanePropertySheet::event(QEvent* e) {
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

bool CCorvanePropertySheet::IsRunning() const {
    return m_core.IsRunning();
}

bool CCorvanePropertySheet::IsWaitingForInstrument() const {
    return m_core.State() == RunState::WaitingForInstrument;
}

void CCorvanePropertySheet::UpdateTitle() {
    const RunState state = m_core.State();
    QString title = QString::fromLatin1(kAppName);
    // During a run its port is shown, also while it waits for the instrument (marked so); outside a
    // run the port a sequence holds open.
    if (state != RunState::Idle) {
        const RunStatus status = m_core.Status();
        title = QStringLiteral("On Com%1").arg(status.port);
        if (status.logging && state != RunState::Stopping)
            title += QStringLiteral(" - Log To ") + QFile::decodeName(status.logFile.c_str());
        if (state == RunState::WaitingForInstrument) title += QStringLiteral(" - Reconnecting");
    } else if (m_nOpenPort != 0) {
        title = QStringLiteral("On Com%1").arg(m_nOpenPort);
    }
    setWindowTitle(title);
    m_strTitle = title;
    // The window icon is left alone: it is the Data page's fault indication during a run.
}

void CCorvanePropertySheet::OnExit() {
    if (m_pageSetup->GetLogEnable() && m_core.IsRunning() &&
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
    // A run ends on the instrument too, with the lines that came before logged first.
    m_core.StopAndWait("Exit");
    if (m_helpWindow) m_helpWindow->close();
}
