// Start of the main window, or of the run core alone.
#include "app/CorvaneApp.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include "app/AboutDlg.h"
#include "app/StopSignals.h"
#include "control/CorvanePropertySheet.h"
#include "run/RunCore.h"
#include "run/StoredRun.h"
#include "station/EventJournal.h"

bool CCorvaneApp::InitInstance() {
    CRunCore core(m_lender);
    if (m_options.bHeadless)
        RunHeadless(core);
    else
        RunWindow(core);
    return false;
}

void CCorvaneApp::RunWindow(CRunCore& core) {
    CCorvanePropertySheet sheet(m_lender, core, m_dialogs);
    sheet.SetAboutBox([&sheet] {
        CAboutDlg about(&sheet);
        about.exec();
    });
    // A stop signal ends a run as Stop Data does, so the instrument stops sending and the logs are
    // closed, and then the program ends normally. An exchange under way is cut short at once, even
    // while the window's thread waits in it.
    CStopSignals stopSignals([this, &sheet](const char* name) {
        m_lender.CancelExchanges();
        QMetaObject::invokeMethod(&sheet, [&sheet, name] { sheet.StopForSignal(name); }, Qt::QueuedConnection);
    });
    if (m_options.keepClockSeconds) sheet.SetKeepClockForSession(*m_options.keepClockSeconds);
    if (m_options.bStart) QTimer::singleShot(0, &sheet, [&sheet] { sheet.StartUnattended(); });
    sheet.exec();
}

void CCorvaneApp::RunHeadless(CRunCore& core) {
    std::optional<RunConfig> config = StoredRunConfig();
    if (!config) {
        JournalEvent("run-not-started", "no Com port is known: start one run from the window first");
        m_nExitStatus = 1;  // nothing a headless program could do
        return;
    }
    QEventLoop loop;
    QObject::connect(&core, &CRunCore::StateChanged, &loop, [&loop](RunState state) {
        if (state == RunState::Idle) loop.quit();
    });
    CStopSignals stopSignals([this, &core](const char* name) {
        m_lender.CancelExchanges();
        QMetaObject::invokeMethod(&core, [&core, name] { core.Stop(std::string("signal ") + name); },
                                  Qt::QueuedConnection);
    });
    if (m_options.keepClockSeconds) config->keepClockSeconds = *m_options.keepClockSeconds;
    if (!core.StartUnattended(*config)) return;
    loop.exec();
}
