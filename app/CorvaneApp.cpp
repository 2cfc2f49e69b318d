// Start of the main window, or of the run core alone.
#include "app/CorvaneApp.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include "app/AboutDlg.h"
#include "app/StopSignals.h"
#include "archive/StationConfig.h"
#include "control/CorvanePropertySheet.h"
#include "run/RunCore.h"
#include "run/StoredRun.h"
#include "services/StationServices.h"
#include "settings/SettingsKey.h"
#include "station/EventJournal.h"

namespace {

// Where the health server listens: the command line's choice, else the stored one, else loopback at
// the default port. A stored value that cannot be read is journaled and the default taken.
ListenSetting ListenFor(const CommandLine& options) {
    if (options.listen) return *options.listen;
    std::string stored;
    CSettingsKey key;
    if (!key.Open(kProductKeyPath, true) || !key.ReadString(kValueListen, stored)) return {};
    QString error;
    if (const std::optional<ListenSetting> listen = ParseListenSetting(QString::fromStdString(stored), error))
        return *listen;
    JournalEvent("settings-error", "LISTEN \"" + stored + "\": " + error.toStdString() + "; listening on " +
                                       ListenSetting{}.Text().toStdString());
    return {};
}

ServicesOptions ServicesOptionsFor(const CommandLine& options) {
    ServicesOptions services;
    services.health.listen = ListenFor(options);
    services.health.metricsFile = options.strMetricsFile;
    services.stationConfigPath = StationConfigPath();
    return services;
}

}  // namespace

bool CCorvaneApp::InitInstance() {
    CRunCore core(m_lender);
    CStationServices services(core, ServicesOptionsFor(m_options));
    if (m_options.bHeadless)
        RunHeadless(core, services);
    else
        RunWindow(core, services);
    return false;
}

void CCorvaneApp::RunWindow(CRunCore& core, CStationServices& services) {
    CCorvanePropertySheet sheet(m_lender, core, m_dialogs);
    // What keeps the archive's export from working is told once, in a box, when the window is up.
    if (const std::string problems = services.Start(); !problems.empty())
        QTimer::singleShot(0, &sheet, [&sheet, problems] { sheet.ShowStationProblems(problems); });
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

void CCorvaneApp::RunHeadless(CRunCore& core, CStationServices& services) {
    std::optional<RunConfig> config = StoredRunConfig();
    if (!config) {
        JournalEvent("run-not-started", "no Com port is known: start one run from the window first");
        m_nExitStatus = 1;  // nothing a headless program could do
        return;
    }
    if (const std::string problems = services.Start(); !problems.empty()) JournalEvent("station-config", problems);
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
