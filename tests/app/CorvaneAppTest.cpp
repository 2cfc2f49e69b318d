// Start-up: the application runs the main window modally, with the link's notifications wired to
// it and the about box on the Help menu, and ends when the window closes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "ModalHelper.h"
#include "SimProcess.h"
#include "app/AboutDlg.h"
#include "app/CorvaneApp.h"
#include "control/CorvanePropertySheet.h"
#include "pages/ControlName.h"
#include "pages/DataPage.h"

TEST(CorvaneApp, RunsTheMainWindowModallyUntilExit) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    // Fast records, logging off (nothing stored), so a run shows unpolled lines at once.
    SimProcess sim({"--averaging", "1", "--speed", "10"});
    qputenv("CORVANE_DEVICE_DIR", QByteArray::fromStdString(sim.DeviceDir()));

    CCorvaneApp app;
    app.Link().SetTimeouts(300, 600);
    bool modal = false, aboutClosed = false, helpClosed = false, recordsArrived = false;
    WhenShown<CCorvanePropertySheet>([&](CCorvanePropertySheet* sheet) {
        modal = sheet->isModal();
        const auto click = [sheet](int id) {
            QTest::mouseClick(sheet->findChild<QPushButton*>(QString::number(id)), Qt::LeftButton);
        };
        // The about box from the Help menu, closed by its OK button.
        WhenShown<CAboutDlg>([&](CAboutDlg* about) {
            QTest::mouseClick(about->findChild<QPushButton*>(ControlName(AboutBoxId::Ok)), Qt::LeftButton);
            aboutClosed = !about->isVisible();
        });
        sheet->findChild<QPushButton*>(QString::number(CCorvanePropertySheet::ID_HELP))->menu()->actions().back()->trigger();

        // The modal main window does not block its help window: its Close button works.
        sheet->ShowHelp("data");
        QWidget* help = sheet->findChild<QTextBrowser*>()->window();
        for (QPushButton* button : help->findChildren<QPushButton*>())
            if (button->text() == "C&lose") QTest::mouseClick(button, Qt::LeftButton);
        helpClosed = !help->isVisible();

        // Unpolled records reach the window: the instrument time on the Data page moves on.
        click(CCorvanePropertySheet::ID_START_DATA);
        auto* lastData = sheet->DataPage().findChild<QLabel*>(ControlName(DataPageId::LastDataTime));
        const QString first = lastData->text();
        recordsArrived = QTest::qWaitFor([&] { return lastData->text() != first; }, 5000);
        click(CCorvanePropertySheet::ID_EXIT);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(modal);
    EXPECT_TRUE(aboutClosed);
    EXPECT_TRUE(helpClosed);
    EXPECT_TRUE(recordsArrived);
    EXPECT_FALSE(app.Link().IsConnected());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("CORVANE_DEVICE_DIR");
}
