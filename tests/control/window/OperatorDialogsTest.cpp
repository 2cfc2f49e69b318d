// The real message boxes and log file dialog, answered as an operator would, and a stop signal
// while a box is open: the box closes, the sequence behind it goes no further, the window closes.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>

#include "ModalHelper.h"
#include "SheetHarness.h"
#include "control/OperatorDialogs.h"

using Answer = IOperatorDialogs::Answer;
using Buttons = IOperatorDialogs::Buttons;
using Box = QMessageBox;

TEST(QtOperatorDialogs, MessageBoxesShowTheirButtonsAndTextAndReportTheAnswer) {
    const struct {
        Buttons buttons;
        Box::StandardButtons shown;
        int key;  // key pressed, or 0 to click the button below
        Box::StandardButton click;
        Answer answer;
    } cases[] = {
        {Buttons::Ok, Box::Ok, Qt::Key_Return, Box::NoButton, Answer::Ok},
        {Buttons::OkCancel, Box::Ok | Box::Cancel, 0, Box::Ok, Answer::Ok},
        {Buttons::OkCancel, Box::Ok | Box::Cancel, Qt::Key_Escape, Box::NoButton, Answer::Cancel},
        {Buttons::YesNo, Box::Yes | Box::No, 0, Box::No, Answer::No},
        {Buttons::YesNo, Box::Yes | Box::No, Qt::Key_Return, Box::NoButton, Answer::Yes},
        {Buttons::YesNoCancel, Box::Yes | Box::No | Box::Cancel, 0, Box::Cancel, Answer::Cancel},
    };
    QtOperatorDialogs dialogs;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.shown));
        Box::StandardButtons shown;
        QString text;
        WhenShown<Box>([&](Box* box) {
            shown = box->standardButtons();
            text = box->text();
            c.key ? QTest::keyClick(box, static_cast<Qt::Key>(c.key)) : box->button(c.click)->click();
        });
        EXPECT_EQ(dialogs.MessageBox(nullptr, "logging.\n\rExit?\r\nSave?\r\rOne\n\nTwo", c.buttons), c.answer);
        EXPECT_EQ(shown, c.shown);
        // Either line break pair, "\n\r" or "\r\n", is one break in the box.
        EXPECT_EQ(text, "logging.\nExit?\nSave?\n\nOne\n\nTwo");
    }
}

TEST(QtOperatorDialogs, LogFileDialogProposesAddsTheExtensionAndRefusesAMissingFolder) {
    QTemporaryDir folder;
    const auto path = [&](const QString& name) { return QDir(folder.path()).absoluteFilePath(name); };
    const auto choose = [&] { return QtOperatorDialogs().ChooseLogFile(nullptr, folder.path() + "/", "CV050920.dat"); };
    const auto typeAndAccept = [](QFileDialog* dialog, const QString& name) {
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
        static_cast<QDialog*>(dialog)->accept();
    };
    QString shownFolder, proposed;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        shownFolder = dialog->directory().absolutePath();
        proposed = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        typeAndAccept(dialog, "site");
    });
    EXPECT_EQ(choose(), path("site.DAT"));
    EXPECT_EQ(shownFolder, QDir(folder.path()).absolutePath());
    EXPECT_EQ(proposed, "CV050920.dat");

    // The proposed name need not exist and is not made; Cancel returns nothing.
    WhenShown<QFileDialog>([](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    EXPECT_EQ(choose(), path("CV050920.dat"));
    EXPECT_FALSE(QFile::exists(path("CV050920.dat")));
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_TRUE(choose().isEmpty());

    // A folder that does not exist is refused and the choice asked again.
    QString warning;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        WhenShown<Box>([&](Box* box) {
            warning = box->text();
            WhenShown<QFileDialog>([&](QFileDialog* again) { typeAndAccept(again, "run.dat"); });
            box->accept();
        });
        typeAndAccept(dialog, path("missing/run.dat"));
    });
    EXPECT_EQ(choose(), path("run.dat"));
    EXPECT_TRUE(warning.contains(QDir::toNativeSeparators(path("missing")))) << warning.toStdString();
}

TEST_F(SheetTest, AStopSignalClosesTheOpenBoxAndThenTheWindowWithNothingStartedBehindIt) {
    QtOperatorDialogs operatorBoxes;
    m_answering = &operatorBoxes;
    Start({"--status", "0003"});
    WhenShown<QMessageBox>([&](QMessageBox*) { Sheet().StopForSignal("SIGTERM"); });
    Click(CCorvanePropertySheet::ID_START_DATA);  // returns once the fault question has closed
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_FALSE(Sheet().IsRunning());
    EXPECT_FALSE(m_link->IsConnected());
    const CommandList commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "UB"), 0);
    EXPECT_TRUE(Journaled("message Lamp, Valve Error(s) occured. /  Continue? [Cancel]"));
    EXPECT_FALSE(Journaled("run-started"));
}
