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
#include "pages/CommSetupPage.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
    QApplication::processEvents();
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (widget.grab().save(path)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

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
    const auto click = [&](int id) { sheet.findChild<QPushButton*>(QString::number(id))->click(); };

    bool saved = true;
    click(CCorvanePropertySheet::ID_QUERY);  // the instrument's settings
    saved &= Save(sheet, folder, "setup.png");
    sheet.Tabs().setCurrentIndex(1);
    click(CCorvanePropertySheet::ID_QUERY);  // its current records
    saved &= Save(sheet, folder, "data.png");
    sheet.Tabs().setCurrentIndex(2);
    sheet.CommPage().findChild<QPushButton*>("1004")->click();  // the port test
    saved &= Save(sheet, folder, "communications.png");

    CAboutDlg about(&sheet);
    about.show();
    saved &= Save(about, folder, "about.png");
    about.close();

    sheet.ShowHelp(QStringLiteral("data"));
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->windowTitle() == "Corvane Help") saved &= Save(*window, folder, "help.png");
    return saved && dialogs.messages.isEmpty() ? 0 : 1;
}
