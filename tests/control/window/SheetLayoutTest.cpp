// The window as the operator first meets it: tabs, buttons, their order, tips and the frame.
#include <QApplication>
#include <QTabWidget>
#include <QTest>

#include "SheetFixture.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"

namespace {

struct ButtonRow {
    int id;
    const char* caption;
    const char* tip;
};

const ButtonRow kButtons[] = {
    {1002, "&Query", "Query the Nephelometer for current settings or data"},
    {1003, "&Start Data", "Start or Stop unpolled data"},
    {1004, "&Zero", "Start a Zero period"},
    {1005, "E&xit", "Exit the program"},
    {9, "&Help", ""},
};

}  // namespace

TEST_F(SheetTest, OpensOnSetupWithTheThreePagesInOrder) {
    CCorvanePropertySheet& sheet = Make();
    QTabWidget& tabs = sheet.Tabs();
    ASSERT_EQ(tabs.count(), 3);
    EXPECT_EQ(tabs.tabText(0), "Setup");
    EXPECT_EQ(tabs.tabText(1), "Data");
    EXPECT_EQ(tabs.tabText(2), "Communications");
    EXPECT_EQ(tabs.widget(0), &sheet.SetupPage());
    EXPECT_EQ(tabs.widget(1), &sheet.DataPage());
    EXPECT_EQ(tabs.widget(2), &sheet.CommPage());
    EXPECT_EQ(tabs.currentWidget(), &sheet.SetupPage());
    EXPECT_EQ(sheet.windowTitle(), "Corvane");
    EXPECT_FALSE(sheet.IsRunning());
}

TEST_F(SheetTest, ButtonsSitRightAlignedInOrderWithTheirCaptionsAndTips) {
    CCorvanePropertySheet& sheet = Make();
    int previousRight = -1;
    for (const ButtonRow& row : kButtons) {
        SCOPED_TRACE(row.id);
        QPushButton* button = Button(row.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), row.caption);
        EXPECT_EQ(button->toolTip(), row.tip);
        EXPECT_TRUE(button->isVisible() && button->isEnabled());
        EXPECT_GT(button->x(), previousRight);
        previousRight = button->geometry().right();
    }
    // The row ends at the tab widget's right edge.
    const int tabsRight = sheet.Tabs().geometry().right();
    EXPECT_NEAR(previousRight, tabsRight, 2);
    EXPECT_LT(Button(1002)->x(), tabsRight / 2);
}

TEST_F(SheetTest, TabRunsThroughTheButtonsInOrder) {
    Make();
    Button(1002)->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), Button(1002));
    for (int id : {1003, 1004, 1005, 9}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Button(id)) << "after Tab, expected " << id;
    }
}

TEST_F(SheetTest, QueryIsTheOnlyDefaultButton) {
    Make();
    EXPECT_TRUE(Button(1002)->isDefault());
    for (int id : {1003, 1004, 1005, 9}) EXPECT_FALSE(Button(id)->isDefault()) << id;
}

TEST_F(SheetTest, WindowMinimisesButNeitherMaximisesNorResizes) {
    CCorvanePropertySheet& sheet = Make();
    const Qt::WindowFlags flags = sheet.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(sheet.minimumSize(), sheet.maximumSize());
    EXPECT_EQ(sheet.size(), sheet.minimumSize());
}

TEST_F(SheetTest, PagesAreWhollyVisibleInsideTheTabs) {
    CCorvanePropertySheet& sheet = Make();
    // Every page control lies within the page area, so nothing is cut off at the edges.
    for (QWidget* page : {static_cast<QWidget*>(&sheet.SetupPage()), static_cast<QWidget*>(&sheet.DataPage()),
                          static_cast<QWidget*>(&sheet.CommPage())}) {
        sheet.Tabs().setCurrentWidget(page);
        const QRect area = page->rect();
        for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(area.contains(control->geometry()))
                << control->objectName().toStdString() << " of " << page->metaObject()->className();
    }
}
