// The keyboard: Enter presses Query unless a button has the focus or the Setup page takes the key;
// Escape leaves the window open and does nothing.
#include <QCheckBox>
#include <QTabWidget>

#include "SheetFixture.h"
#include "pages/InstSetupPage.h"

TEST_F(SheetTest, EnterPressesQueryWhereNoButtonOrPageTakesItAndEscapeNothing) {
    const struct {
        int page;           // tab index: 0 Setup, 1 Data, 2 Communications
        const char* focus;  // object name of the focused control, on the page or else the window
        bool modifySetup;   // an unapplied change on the Setup page, which Enter applies
        Qt::Key key;
        int pressed;  // id of the window button pressed, 0 for none
    } cases[] = {
        {0, "1017", false, Qt::Key_Return, 1002}, {1, "1100", false, Qt::Key_Enter, 1002},
        {2, "1029", false, Qt::Key_Return, 1002}, {1, "1004", false, Qt::Key_Return, 1004},
        {0, "1017", true, Qt::Key_Return, 0},     {0, "1002", false, Qt::Key_Escape, 0},
        {0, "1029", false, Qt::Key_Escape, 0},
    };
    int pressed = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.page << " " << c.focus << " " << c.key);
        Make();
        pressed = 0;
        for (int id : {1002, 1003, 1004, 1005})
            QObject::connect(Button(id), &QPushButton::clicked, [&pressed, id] { pressed = pressed ? -1 : id; });
        Sheet().Tabs().setCurrentIndex(c.page);
        if (c.modifySetup) QTest::mouseClick(Sheet().SetupPage().findChild<QCheckBox*>("1017"), Qt::LeftButton);
        QWidget* focus = Sheet().Tabs().currentWidget()->findChild<QWidget*>(c.focus);
        (focus ? focus : Button(QString(c.focus).toInt()))->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), c.key);
        EXPECT_EQ(pressed, c.pressed);
        EXPECT_EQ(Sheet().SetupPage().m_bModified, 0);
        EXPECT_TRUE(Sheet().isVisible());
        EXPECT_TRUE(c.key != Qt::Key_Escape || m_dialogs.messages.isEmpty());
        m_dialogs.messages.clear();
    }

    // A page button takes the default while it has the focus; leaving its page gives it back.
    Sheet().Tabs().setCurrentIndex(2);
    auto* test = Sheet().Tabs().currentWidget()->findChild<QPushButton*>("1004");
    test->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test->isDefault());
    Sheet().Tabs().setCurrentIndex(1);
    pressed = 0;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(pressed, 1002);
    EXPECT_TRUE(Button(1002)->isDefault());
}
