// The real message boxes and log file dialog, answered as an operator would.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ModalHelper.h"
#include "control/OperatorDialogs.h"

namespace {

using Answer = IOperatorDialogs::Answer;
using Buttons = IOperatorDialogs::Buttons;

struct BoxCase {
    const char* name;
    Buttons buttons;
    QMessageBox::StandardButtons shown;
    int key;  // key pressed, or 0 to click the button below
    QMessageBox::StandardButton click;
    Answer answer;
};

// The visible names the file dialog lists in its folder, once it has read the folder.
QStringList ListedNames(QFileDialog* dialog, int expected) {
    auto* view = dialog->findChild<QListView*>("listView");
    QStringList names;
    const bool listed = QTest::qWaitFor([&] {
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            if (!view->isRowHidden(row)) names << view->model()->index(row, 0, root).data().toString();
        return names.size() >= expected;
    });
    EXPECT_TRUE(listed);
    names.sort();
    return names;
}

void TypeAndAccept(QFileDialog* dialog, const QString& name) {
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
    static_cast<QDialog*>(dialog)->accept();
}

}  // namespace

TEST(QtOperatorDialogs, MessageBoxesShowTheirButtonsAndReportTheAnswer) {
    const BoxCase cases[] = {
        {"OK", Buttons::Ok, QMessageBox::Ok, 0, QMessageBox::Ok, Answer::Ok},
        {"OK by Enter", Buttons::Ok, QMessageBox::Ok, Qt::Key_Return, QMessageBox::NoButton, Answer::Ok},
        {"OK of OK/Cancel", Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, 0, QMessageBox::Ok,
         Answer::Ok},
        {"Cancel", Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, 0, QMessageBox::Cancel,
         Answer::Cancel},
        {"Escape cancels", Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, Qt::Key_Escape,
         QMessageBox::NoButton, Answer::Cancel},
        {"No", Buttons::YesNo, QMessageBox::Yes | QMessageBox::No, 0, QMessageBox::No, Answer::No},
        {"Enter says Yes", Buttons::YesNo, QMessageBox::Yes | QMessageBox::No, Qt::Key_Return,
         QMessageBox::NoButton, Answer::Yes},
        {"Yes of three", Buttons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, 0,
         QMessageBox::Yes, Answer::Yes},
        {"Cancel of three", Buttons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, 0,
         QMessageBox::Cancel, Answer::Cancel},
    };
    QtOperatorDialogs dialogs;
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.name);
        QMessageBox::StandardButtons shown;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            shown = box->standardButtons();
            EXPECT_EQ(box->windowTitle(), "Corvane");
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            if (c.key)
                QTest::keyClick(box, static_cast<Qt::Key>(c.key));
            else
                box->button(c.click)->click();
        });
        EXPECT_EQ(dialogs.MessageBox(nullptr, "Text", c.buttons), c.answer);
        EXPECT_EQ(shown, c.shown);
    }
}

TEST(QtOperatorDialogs, EitherLineBreakPairIsOneBreakInTheBox) {
    QtOperatorDialogs dialogs;
    const std::pair<QString, QString> cases[] = {
        {"The program is currently logging data.\n\rYou are sure you want to exit?",
         "The program is currently logging data.\nYou are sure you want to exit?"},
        {"Changes were made.\r\nSave them?", "Changes were made.\nSave them?"},
        {"Lamp Error(s) occured.\r\n Continue?", "Lamp Error(s) occured.\n Continue?"},
        {"one\r\rtwo\n\nthree", "one\n\ntwo\n\nthree"},
        {"no break", "no break"},
    };
    for (const auto& [text, shown] : cases) {
        QString seen;
        WhenShown<QMessageBox>([&seen](QMessageBox* box) {
            seen = box->text();
            box->accept();
        });
        dialogs.MessageBox(nullptr, text, Buttons::Ok);
        EXPECT_EQ(seen, shown);
    }
}

class LogFileDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    QString Path(const QString& name) const { return QDir(m_folder.path()).absoluteFilePath(name); }

    QTemporaryDir m_folder;
    QtOperatorDialogs m_dialogs;
};

TEST_F(LogFileDialogTest, ProposesTheFolderAndNameAndAddsTheDefaultExtension) {
    QString folder, proposed;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        folder = dialog->directory().absolutePath();
        proposed = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        TypeAndAccept(dialog, "site");
    });
    EXPECT_EQ(m_dialogs.ChooseLogFile(nullptr, m_folder.path() + "/", "CV050920.dat"), Path("site.DAT"));
    EXPECT_EQ(folder, QDir(m_folder.path()).absolutePath());
    EXPECT_EQ(proposed, "CV050920.dat");
}

TEST_F(LogFileDialogTest, TheProposedNameNeedNotExistAndCancelReturnsNothing) {
    WhenShown<QFileDialog>([](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    EXPECT_EQ(m_dialogs.ChooseLogFile(nullptr, m_folder.path() + "/", "CV050920.dat"), Path("CV050920.dat"));
    EXPECT_FALSE(QFile::exists(Path("CV050920.dat")));

    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_TRUE(m_dialogs.ChooseLogFile(nullptr, m_folder.path() + "/", "CV050920.dat").isEmpty());
}

TEST_F(LogFileDialogTest, LogFilterListsBothSpellingsOfTheExtension) {
    for (const char* name : {"a.dat", "B.DAT", "c.txt"}) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList logNames, allNames;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        logNames = ListedNames(dialog, 2);
        dialog->selectNameFilter("All Files (*)");
        allNames = ListedNames(dialog, 3);
        dialog->reject();
    });
    m_dialogs.ChooseLogFile(nullptr, m_folder.path() + "/", "CV050920.dat");
    EXPECT_EQ(logNames, (QStringList{"B.DAT", "a.dat"}));
    EXPECT_EQ(allNames, (QStringList{"B.DAT", "a.dat", "c.txt"}));
}

TEST_F(LogFileDialogTest, AFolderThatDoesNotExistIsRefusedAndTheChoiceAskedAgain) {
    const QString missing = Path("missing/run.dat");
    QString warning;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            warning = box->text();
            WhenShown<QFileDialog>([](QFileDialog* again) { TypeAndAccept(again, "run.dat"); });
            box->accept();
        });
        TypeAndAccept(dialog, missing);
    });
    EXPECT_EQ(m_dialogs.ChooseLogFile(nullptr, m_folder.path() + "/", "CV050920.dat"), Path("run.dat"));
    EXPECT_TRUE(warning.contains(QDir::toNativeSeparators(Path("missing")))) << warning.toStdString();
}
