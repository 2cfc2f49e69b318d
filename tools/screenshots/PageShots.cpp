// Pictures of the three instrument pages, the about box and the help window.
#include <QApplication>
#include <QPushButton>
#include <QTabWidget>

#include "FakeOperatorDialogs.h"
#include "Shots.h"
#include "SimProcess.h"
#include "app/AboutDlg.h"
#include "control/CorvanePropertySheet.h"
#include "pages/CommPageIds.h"
#include "pages/CommSetupPage.h"
#include "pages/ControlName.h"
#include "run/RunCore.h"

bool TakePageShots(const QDir& folder) {
    SimProcess sim({"--status", "0000"}, 2);
    qputenv("CORVANE_DEVICE_DIR", QByteArray::fromStdString(sim.DeviceDir()));

    CSerialLink link;
    CLinkLender lender(link);
    CRunCore core(lender);
    FakeOperatorDialogs dialogs;
    CCorvanePropertySheet sheet(lender, core, dialogs);
    sheet.show();
    bool saved = true;
    const auto query = [&] { sheet.findChild<QPushButton*>(QString::number(CCorvanePropertySheet::ID_QUERY))->click(); };
    query();  // the instrument's settings
    saved &= SaveShot(sheet, folder, "setup.png");
    sheet.Tabs().setCurrentIndex(1);
    query();  // its current records
    saved &= SaveShot(sheet, folder, "data.png");
    sheet.Tabs().setCurrentIndex(2);
    sheet.CommPage().findChild<QPushButton*>(ControlName(CommPageId::Test))->click();  // the port test
    saved &= SaveShot(sheet, folder, "communications.png");
    CAboutDlg about(&sheet);
    about.show();
    saved &= SaveShot(about, folder, "about.png");
    about.close();
    sheet.ShowHelp(QStringLiteral("data"));
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->windowTitle() == "Corvane Help") saved &= SaveShot(*window, folder, "help.png");
    return saved && dialogs.messages.isEmpty();
}
