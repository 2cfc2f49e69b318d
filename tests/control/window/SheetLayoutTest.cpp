// The window as the operator first meets it: every page whole within its tab, the buttons right
// of each other in Tab order with Query the default, and the close button without a run.
#include <QTabWidget>

#include "SheetFixture.h"

TEST_F(SheetTest, EveryControlLiesWithinItsPage) {
    QTabWidget& tabs = Make().Tabs();
    for (int i = 0; i < tabs.count(); ++i) {
        tabs.setCurrentIndex(i);
        for (QWidget* control : tabs.widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(tabs.widget(i)->rect().contains(control->geometry())) << control->objectName().toStdString();
    }
}

TEST_F(SheetTest, ButtonsRunLeftToRightInTabOrderWithQueryTheOnlyDefault) {
    using Ids = CCorvanePropertySheet;
    Make();
    const int ids[] = {Ids::ID_QUERY, Ids::ID_START_DATA, Ids::ID_ZERO, Ids::ID_EXIT, Ids::ID_HELP};
    for (int id : ids) EXPECT_EQ(Button(id)->isDefault(), id == Ids::ID_QUERY) << id;
    int previousRight = -1;
    Button(Ids::ID_QUERY)->setFocus(Qt::TabFocusReason);
    for (int id : ids) {
        EXPECT_EQ(QApplication::focusWidget(), Button(id)) << id;
        EXPECT_GT(Button(id)->x(), previousRight) << id;
        previousRight = Button(id)->geometry().right();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_NEAR(previousRight, Sheet().Tabs().geometry().right(), 2);
}

TEST_F(SheetTest, CloseButtonWithoutARunClosesAtOnce) {
    EXPECT_TRUE(Make().close());
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}
