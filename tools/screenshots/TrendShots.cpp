// Pictures of the Trend tab and of its separate window after a day of simulator data, run through
// the real main window at 1440 instrument seconds per real second.
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "EventLoopWait.h"
#include "FakeOperatorDialogs.h"
#include "Shots.h"
#include "SimProcess.h"
#include "control/CorvanePropertySheet.h"
#include "pages/TrendPage.h"
#include "pages/TrendView.h"
#include "run/RunCore.h"

bool TakeTrendShots(const QDir& folder) {
    QTemporaryDir logs;
    // A day in a minute: one record a minute, a zero every hour.
    SimProcess sim({"--records", "TDYZ", "--averaging", "60", "--autozero", "3600", "--speed", "1440"}, 2);
    qputenv("CORVANE_DEVICE_DIR", QByteArray::fromStdString(sim.DeviceDir()));

    CSerialLink link;
    CLinkLender lender(link);
    CRunCore core(lender);
    FakeOperatorDialogs dialogs;
    dialogs.chosenLogFile = logs.filePath(QStringLiteral("CV000000.dat"));
    CCorvanePropertySheet sheet(lender, core, dialogs);
    sheet.show();
    QPushButton* startStop = sheet.findChild<QPushButton*>(QString::number(CCorvanePropertySheet::ID_START_DATA));
    startStop->click();
    sheet.Tabs().setCurrentIndex(sheet.Tabs().indexOf(&sheet.TrendPage()));
    WaitFor([] { return false; }, 61000, 500);
    startStop->click();
    WaitFor([&] { return !core.IsRunning(); }, 5000);

    // The plots redraw live records at most once a second: let the last drawing happen first.
    const auto settle = [] { WaitFor([] { return false; }, 1500, 50); };
    sheet.TrendPage().View().HistoryChanged(false);
    settle();
    bool saved = SaveShot(sheet, folder, "trend.png");
    CTrendView* window = sheet.TrendPage().OpenWindow();
    settle();
    saved &= SaveShot(*window, folder, "trend-window.png");
    return saved && dialogs.messages.isEmpty();
}
