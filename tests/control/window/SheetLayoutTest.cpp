// The window as the operator first meets it: a fixed frame with every page whole, the buttons in
// order with Query the default, the Tab order, and the close button without a run.
#include <QTabWidget>

#include "SheetFixture.h"

TEST_F(SheetTest, OpensOnSetupWithTheButtonsInOrderAndClosesAtOnceWithoutARun) {
    CCorvanePropertySheet& sheet = Make();
    const Qt::WindowFlags flags = sheet.windowFlags();
    EXPECT_TRUE((flags & Qt::WindowMinimizeButtonHint) && !(flags & Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(sheet.minimumSize() == sheet.maximumSize() && sheet.size() == sheet.minimumSize());

    QTabWidget& tabs = sheet.Tabs();
    EXPECT_EQ(tabs.currentIndex(), 0);
    const char* titles[] = {"Setup", "Data", "Communications"};
    for (int i = 2; i >= 0; --i) {
        EXPECT_EQ(tabs.tabText(i), titles[i]);
        tabs.setCurrentIndex(i);
        for (QWidget* control : tabs.widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(tabs.widget(i)->rect().contains(control->geometry())) << control->objectName().toStdString();
    }

    // Right-aligned under the tabs in this order, Query the only default, Tab running through them.
    int previousRight = -1;
    using Ids = CCorvanePropertySheet;
    EXPECT_TRUE(Button(Ids::ID_QUERY)->isDefault());
    EXPECT_FALSE(Button(Ids::ID_START_DATA)->isDefault() || Button(Ids::ID_ZERO)->isDefault() ||
                 Button(Ids::ID_EXIT)->isDefault());
    Button(Ids::ID_QUERY)->setFocus(Qt::TabFocusReason);
    for (int id : {Ids::ID_QUERY, Ids::ID_START_DATA, Ids::ID_ZERO, Ids::ID_EXIT, Ids::ID_HELP}) {
        EXPECT_EQ(QApplication::focusWidget(), Button(id)) << id;
        EXPECT_GT(Button(id)->x(), previousRight) << id;
        previousRight = Button(id)->geometry().right();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_NEAR(previousRight, tabs.geometry().right(), 2);

    EXPECT_TRUE(sheet.close());
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}
