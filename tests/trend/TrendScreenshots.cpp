// Writes pictures of the Trend tab and of its separate window after a day of simulator data, run
// through the real main window at 1440 instrument seconds per real second:
// corvane_trend_screenshots docs
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "EventLoopWait.h"
#include "FakeOperatorDialogs.h"
#include "SimProcess.h"
#include "control/CorvanePropertySheet.h"
#include "trend/TrendPage.h"
#include "trend/TrendView.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir config, logs;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    // A day in a minute: one record a minute, a zero every hour.
    SimProcess sim({"--records", "TDYZ", "--averaging", "60", "--autozero", "3600", "--speed", "1440"}, 2);
    qputenv("CORVANE_DEVICE_DIR", QByteArray::fromStdString(sim.DeviceDir()));

    CSerialLink link;
    link.SetCommEventMessage(static_cast<std::uint32_t>(CCorvanePropertySheet::CommEventType()));
    FakeOperatorDialogs dialogs;
    dialogs.chosenLogFile = logs.filePath(QStringLiteral("CV000000.dat"));
    CCorvanePropertySheet sheet(link, dialogs);
    sheet.show();
    sheet.findChild<QPushButton*>(QString::number(CCorvanePropertySheet::ID_START_DATA))->click();
    sheet.Tabs().setCurrentIndex(3);
    WaitFor([] { return false; }, 61000, 500);
    sheet.findChild<QPushButton*>(QString::number(CCorvanePropertySheet::ID_START_DATA))->click();

    bool saved = true;
    const auto save = [&](QWidget& widget, const char* name) {
        WaitFor([] { return false; }, 1500, 50);
        if (widget.grab().save(folder.filePath(name))) return;
        std::fprintf(stderr, "cannot write %s\n", name);
        saved = false;
    };
    sheet.TrendPage().View().HistoryChanged(false);
    save(sheet, "trend.png");
    CTrendView* window = sheet.TrendPage().OpenWindow();
    save(*window, "trend-window.png");
    return saved && dialogs.messages.isEmpty() ? 0 : 1;
}
