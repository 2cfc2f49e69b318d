// Start-up: the application runs the main window modally, with the about box on the Help menu,
// and ends when the window closes. That the link's notifications reach the window shows in the
// headless run of the command line tests.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "ModalHelper.h"
#include "app/AboutDlg.h"
#include "app/CorvaneApp.h"
#include "control/CorvanePropertySheet.h"
#include "pages/ControlName.h"

TEST(CorvaneApp, RunsTheMainWindowModallyUntilExit) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    CCorvaneApp app;
    bool modal = false, aboutClosed = false, helpClosed = false;
    WhenShown<CCorvanePropertySheet>([&](CCorvanePropertySheet* sheet) {
        modal = sheet->isModal();
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
        QTest::mouseClick(sheet->findChild<QPushButton*>(QString::number(CCorvanePropertySheet::ID_EXIT)),
                          Qt::LeftButton);
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(modal);
    EXPECT_TRUE(aboutClosed);
    EXPECT_TRUE(helpClosed);
    qunsetenv("XDG_CONFIG_HOME");
}
