// Start of the main window, with or without showing it.
#include "app/CorvaneApp.h"

#include <QEventLoop>
#include <QTimer>

#include "app/AboutDlg.h"
#include "app/StopSignals.h"
#include "control/CorvanePropertySheet.h"

bool CCorvaneApp::InitInstance() {
    m_link.SetCommEventMessage(static_cast<std::uint32_t>(CCorvanePropertySheet::CommEventType()));
    IOperatorDialogs& dialogs = m_options.bHeadless ? static_cast<IOperatorDialogs&>(m_headlessDialogs) : m_dialogs;
    CCorvanePropertySheet sheet(m_link, dialogs);
    sheet.SetAboutBox([&sheet] {
        CAboutDlg about(&sheet);
        about.exec();
    });
    // A stop signal ends a run as Stop Data does, so the instrument stops sending and the logs are
    // closed, and then the program ends normally.
    CStopSignals stopSignals;
    QObject::connect(&stopSignals, &CStopSignals::Received, &sheet,
                     [&sheet](const char* name) { sheet.StopForSignal(name); });
    if (m_options.bStart) {
        QTimer::singleShot(0, &sheet, [this, &sheet] {
            if (sheet.StartUnattended() || !m_options.bHeadless) return;
            m_nExitStatus = 1;  // nothing a headless program could do
            sheet.done(1);
        });
    }
    if (m_options.bHeadless) {
        QEventLoop loop;
        QObject::connect(&sheet, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        sheet.exec();
    }
    return false;
}
