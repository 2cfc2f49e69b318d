// The keyboard: Enter presses Query unless a button has the focus or the Setup page takes the key;
// Escape does nothing.
#include <QApplication>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <map>

#include "SheetFixture.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"

namespace {

const char* const kNoInstrument = "The device is either unknown, not connected or not switched on.";

struct EnterCase {
    const char* name;
    int page;           // tab index: 0 Setup, 1 Data, 2 Communications
    const char* focus;  // object name of the control that has the focus
    bool onSheet;       // the focus is one of the window's own buttons, not a page control
    bool modifySetup;   // an unapplied change on the Setup page
    int pressed;        // id of the button Enter presses, 0 for none
};

}  // namespace

TEST_F(SheetTest, EnterPressesQueryWhereNoButtonOrPageTakesIt) {
    const EnterCase cases[] = {
        {"Setup page without changes", 0, "1017", false, false, 1002},
        {"Data page", 1, "1100", false, false, 1002},
        {"Communications page, port list", 2, "1029", false, false, 1002},
        {"focus on Zero presses Zero", 1, "1004", true, false, 1004},
        {"Setup page with changes applies them", 0, "1017", false, true, 0},
    };
    for (const EnterCase& c : cases) {
        SCOPED_TRACE(c.name);
        Make();
        std::map<int, std::unique_ptr<QSignalSpy>> spies;
        for (int id : {1002, 1003, 1004, 1005})
            spies[id] = std::make_unique<QSignalSpy>(Button(id), &QPushButton::clicked);
        Sheet().Tabs().setCurrentIndex(c.page);
        QWidget* page = Sheet().Tabs().currentWidget();
        if (c.modifySetup)
            QTest::mouseClick(Sheet().SetupPage().findChild<QCheckBox*>("1017"), Qt::LeftButton);
        QWidget* focus = c.onSheet ? Button(QString(c.focus).toInt()) : page->findChild<QWidget*>(c.focus);
        ASSERT_NE(focus, nullptr);
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        for (const auto& [id, spy] : spies)
            EXPECT_EQ(spy->count(), id == c.pressed ? 1 : 0) << "button " << id;
        if (c.modifySetup) {
            EXPECT_EQ(Sheet().SetupPage().m_bModified, 0);
        }
        EXPECT_TRUE(Sheet().isVisible());
        m_dialogs.messages.clear();
        m_sheet.reset();
    }
}

TEST_F(SheetTest, EnterAfterAPageButtonHadTheFocusPressesQueryAgain) {
    Make();
    // The Test button takes the default while it has the focus; leaving its page gives it back.
    Sheet().Tabs().setCurrentIndex(2);
    QWidget* test = Sheet().CommPage().findChild<QPushButton*>("1004");
    test->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(static_cast<QPushButton*>(test)->isDefault());
    Sheet().Tabs().setCurrentIndex(1);
    QSignalSpy query(Button(1002), &QPushButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(query.count(), 1);
    EXPECT_TRUE(Button(1002)->isDefault());
}

TEST_F(SheetTest, EnterOnTheDataPageQueriesTheSelectedPort) {
    AddPtyPort(2);  // listed, but no instrument answers
    m_link.SetTimeouts(100, 100);
    Make();
    Sheet().Tabs().setCurrentIndex(1);
    Sheet().DataPage().findChild<QWidget*>("1100")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(m_dialogs.messages, QStringList{kNoInstrument});
    EXPECT_FALSE(m_link.IsConnected());
    EXPECT_EQ(Sheet().windowTitle(), "Corvane");
}

TEST_F(SheetTest, EscapeLeavesTheWindowOpenAndAsksNothing) {
    Make();
    for (QWidget* focus :
         {static_cast<QWidget*>(Button(1002)), Sheet().SetupPage().findChild<QWidget*>("1029")}) {
        ASSERT_NE(focus, nullptr);
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(Sheet().isVisible());
    }
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_EQ(Sheet().result(), 0);
}
