// Start-up: the application runs the main window modally, with the link's notifications wired to
// it and the about box on the Help menu, and ends when the window closes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "ModalHelper.h"
#include "SimProcess.h"
#include "app/AboutDlg.h"
#include "app/CorvaneApp.h"
#include "control/CorvanePropertySheet.h"
#include "pages/DataPage.h"

namespace {

QPushButton* Button(QWidget* sheet, int id) {
    return sheet->findChild<QPushButton*>(QString::number(id));
}

}  // namespace

TEST(CorvaneApp, RunsTheMainWindowModallyUntilExit) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    // Fast records, logging off (nothing stored), so a run shows unpolled lines at once.
    SimProcess sim({"--averaging", "1", "--speed", "10"});
    qputenv("CORVANE_DEVICE_DIR", QByteArray::fromStdString(sim.DeviceDir()));

    CCorvaneApp app;
    app.Link().SetTimeouts(300, 600);
    bool modal = false, aboutShown = false, helpUsable = false, recordsArrived = false;
    QString title;
    WhenShown<CCorvanePropertySheet>([&](CCorvanePropertySheet* sheet) {
        modal = sheet->isModal();
        title = sheet->windowTitle();

        WhenShown<CAboutDlg>([&](CAboutDlg* about) {
            aboutShown = true;
            about->accept();
        });
        Button(sheet, 9)->menu()->actions().back()->trigger();

        // The modal main window does not block its help window: its Close button works.
        sheet->ShowHelp("data");
        if (auto* browser = sheet->findChild<QTextBrowser*>()) {
            QWidget* help = browser->window();
            for (QPushButton* button : help->findChildren<QPushButton*>())
                if (button->text() == "C&lose") QTest::mouseClick(button, Qt::LeftButton);
            helpUsable = !help->isVisible();
        }

        // Unpolled records reach the window: the instrument time on the Data page moves on.
        QTest::mouseClick(Button(sheet, CCorvanePropertySheet::ID_START_DATA), Qt::LeftButton);
        auto* lastData = sheet->DataPage().findChild<QLabel*>("1047");
        const QString first = lastData->text();
        recordsArrived = QTest::qWaitFor([&] { return lastData->text() != first; }, 5000);

        QTest::mouseClick(Button(sheet, CCorvanePropertySheet::ID_EXIT), Qt::LeftButton);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(modal);
    EXPECT_EQ(title, "Corvane");
    EXPECT_TRUE(aboutShown);
    EXPECT_TRUE(helpUsable);
    EXPECT_TRUE(recordsArrived);
    EXPECT_FALSE(app.Link().IsConnected());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("CORVANE_DEVICE_DIR");
}
