// The keyboard: Enter presses Query unless a button has the focus or the Setup page takes the key;
// Escape leaves the window open and does nothing.
#include <QCheckBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <map>

#include "SheetFixture.h"
#include "pages/CommSetupPage.h"
#include "pages/InstSetupPage.h"

TEST_F(SheetTest, EnterPressesQueryWhereNoButtonOrPageTakesItAndEscapeNothing) {
    const struct {
        const char* name;
        int page;           // tab index: 0 Setup, 1 Data, 2 Communications
        const char* focus;  // object name of the focused control, on the page or else the window
        bool modifySetup;   // an unapplied change on the Setup page
        Qt::Key key;
        int pressed;  // id of the window button pressed, 0 for none
    } cases[] = {
        {"Setup page without changes", 0, "1017", false, Qt::Key_Return, 1002},
        {"Data page", 1, "1100", false, Qt::Key_Enter, 1002},
        {"Communications page, port list", 2, "1029", false, Qt::Key_Return, 1002},
        {"focus on Zero presses Zero", 1, "1004", false, Qt::Key_Return, 1004},
        {"Setup page with changes applies them", 0, "1017", true, Qt::Key_Return, 0},
        {"Escape on Query", 0, "1002", false, Qt::Key_Escape, 0},
        {"Escape in a Setup edit", 0, "1029", false, Qt::Key_Escape, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Make();
        std::map<int, std::unique_ptr<QSignalSpy>> spies;
        for (int id : {1002, 1003, 1004, 1005})
            spies[id] = std::make_unique<QSignalSpy>(Button(id), &QPushButton::clicked);
        Sheet().Tabs().setCurrentIndex(c.page);
        if (c.modifySetup)
            QTest::mouseClick(Sheet().SetupPage().findChild<QCheckBox*>("1017"), Qt::LeftButton);
        QWidget* focus = Sheet().Tabs().currentWidget()->findChild<QWidget*>(c.focus);
        if (!focus) focus = Button(QString(c.focus).toInt());
        ASSERT_NE(focus, nullptr);
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), c.key);
        for (const auto& [id, spy] : spies) EXPECT_EQ(spy->count(), id == c.pressed ? 1 : 0) << id;
        EXPECT_EQ(Sheet().SetupPage().m_bModified, 0);
        EXPECT_TRUE(Sheet().isVisible());
        if (c.key == Qt::Key_Escape) {
            EXPECT_TRUE(m_dialogs.messages.isEmpty());
        }
        m_dialogs.messages.clear();
        m_sheet.reset();
    }
}

TEST_F(SheetTest, EnterAfterAPageButtonHadTheFocusPressesQueryAgain) {
    Make();
    // The Test button takes the default while it has the focus; leaving its page gives it back.
    Sheet().Tabs().setCurrentIndex(2);
    auto* test = Sheet().CommPage().findChild<QPushButton*>("1004");
    test->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test->isDefault());
    Sheet().Tabs().setCurrentIndex(1);
    QSignalSpy query(Button(1002), &QPushButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(query.count(), 1);
    EXPECT_TRUE(Button(1002)->isDefault());
}
