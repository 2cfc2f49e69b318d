// Writes pictures of the three pages, the about box and the help window into the folder named
// on the command line, with the simulator as the instrument: corvane_screenshots docs
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "FakeOperatorDialogs.h"
#include "SimProcess.h"
#include "app/AboutDlg.h"
#include "control/CorvanePropertySheet.h"
#include "pages/CommPageIds.h"
#include "pages/CommSetupPage.h"
#include "pages/ControlName.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    SimProcess sim({"--status", "0000"}, 2);
    qputenv("CORVANE_DEVICE_DIR", QByteArray::fromStdString(sim.DeviceDir()));

    CSerialLink link;
    FakeOperatorDialogs dialogs;
    CCorvanePropertySheet sheet(link, dialogs);
    sheet.show();
    bool saved = true;
    const auto save = [&](QWidget& widget, const char* name) {
        QApplication::processEvents();
        if (widget.grab().save(folder.filePath(name))) return;
        std::fprintf(stderr, "cannot write %s\n", name);
        saved = false;
    };
    const auto query = [&] { sheet.findChild<QPushButton*>(QString::number(CCorvanePropertySheet::ID_QUERY))->click(); };
    query();  // the instrument's settings
    save(sheet, "setup.png");
    sheet.Tabs().setCurrentIndex(1);
    query();  // its current records
    save(sheet, "data.png");
    sheet.Tabs().setCurrentIndex(2);
    sheet.CommPage().findChild<QPushButton*>(ControlName(CommPageId::Test))->click();  // the port test
    save(sheet, "communications.png");
    CAboutDlg about(&sheet);
    about.show();
    save(about, "about.png");
    about.close();
    sheet.ShowHelp(QStringLiteral("data"));
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->windowTitle() == "Corvane Help") save(*window, "help.png");
    return saved && dialogs.messages.isEmpty() ? 0 : 1;
}
