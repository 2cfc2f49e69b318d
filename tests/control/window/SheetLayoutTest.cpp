// The window as the operator first meets it: tabs, buttons in order, the focus order, the default
// button, a fixed frame with every page whole, and closing without a run.
#include <QTabWidget>

#include "SheetFixture.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"

TEST_F(SheetTest, OpensOnSetupWithTheButtonsInOrderAndClosesAtOnceWithoutARun) {
    CCorvanePropertySheet& sheet = Make();
    EXPECT_EQ(sheet.windowTitle(), "Corvane");
    const Qt::WindowFlags flags = sheet.windowFlags();
    EXPECT_TRUE((flags & Qt::WindowMinimizeButtonHint) && (flags & Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(sheet.minimumSize() == sheet.maximumSize() && sheet.size() == sheet.minimumSize());

    // Setup first and shown; every page's controls lie wholly inside the tab.
    QTabWidget& tabs = sheet.Tabs();
    ASSERT_EQ(tabs.count(), 3);
    EXPECT_EQ(tabs.currentIndex(), 0);
    const QWidget* pages[] = {&sheet.SetupPage(), &sheet.DataPage(), &sheet.CommPage()};
    const char* titles[] = {"Setup", "Data", "Communications"};
    for (int i = 2; i >= 0; --i) {
        EXPECT_EQ(tabs.tabText(i), titles[i]);
        EXPECT_EQ(tabs.widget(i), pages[i]);
        tabs.setCurrentIndex(i);
        for (QWidget* control : pages[i]->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(pages[i]->rect().contains(control->geometry()))
                << control->objectName().toStdString();
    }

    // Right-aligned under the tabs, Query the only default button, and Tab runs through them in order.
    const std::pair<int, const char*> buttons[] = {
        {1002, "&Query"}, {1003, "&Start Data"}, {1004, "&Zero"}, {1005, "E&xit"}, {9, "&Help"}};
    int previousRight = -1;
    for (const auto& [id, caption] : buttons) {
        SCOPED_TRACE(id);
        QPushButton* button = Button(id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), caption);
        EXPECT_TRUE(button->isVisible() && button->isEnabled());
        EXPECT_EQ(button->isDefault(), id == 1002);
        EXPECT_GT(button->x(), previousRight);
        previousRight = button->geometry().right();
    }
    EXPECT_NEAR(previousRight, tabs.geometry().right(), 2);
    EXPECT_LT(Button(1002)->x(), tabs.geometry().right() / 2);
    Button(1002)->setFocus(Qt::TabFocusReason);
    for (int id : {1003, 1004, 1005, 9}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Button(id)) << "after Tab, expected " << id;
    }

    // The close button closes at once when no run is logged (Exit does the same in the help test).
    EXPECT_TRUE(sheet.close());
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}
