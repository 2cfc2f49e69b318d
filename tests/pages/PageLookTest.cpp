// What the three pages share: values too wide for their box drawn smaller instead of cut off, and no
// context menus.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "FakePageHost.h"
#include "ValueBox.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"
#include "serial/LinkLease.h"
#include "serial/SerialLink.h"

namespace {

// The three pages as tabs, the way the main window holds them.
class PageLookTest : public ::testing::Test {
protected:
    FakePageHost host;
    CSerialLink link;
    CLinkLender lender{link};
    QTabWidget window;
    QList<QWidget*> pages;

    void SetUp() override {
        setenv("CORVANE_DEVICE_DIR", "/nonexistent", 1);
        pages = {new CCorvaneInstSetupPage(host), new CCorvaneDataPage(host),
                 new CCorvaneCommSetupPage(host, lender)};
        unsetenv("CORVANE_DEVICE_DIR");
        for (QWidget* page : pages) window.addTab(page, "");
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST_F(PageLookTest, WideValueGetsASmallerFontThatFits) {
    const QFont base = window.font();
    const int width = QFontMetrics(base).horizontalAdvance("1.234e-05") - 6;
    const QFont fitted = FittingFont(base, "1.234e-05", width);
    EXPECT_LE(QFontMetricsF(fitted).horizontalAdvance("1.234e-05"), width);
    EXPECT_GT(fitted.pointSizeF(), 0.8 * base.pointSizeF());
    EXPECT_EQ(FittingFont(base, "60", width), base);
    // Far too long: it stops shrinking at half size and is cut.
    const double smallest = FittingFont(base, QString(500, '9'), width).pointSizeF();
    EXPECT_TRUE(smallest >= 0.5 * base.pointSizeF() && smallest < 0.55 * base.pointSizeF()) << smallest;
}

TEST_F(PageLookTest, NoContextMenuOnPagesOrTheirEdits) {
    // Should a menu open after all, it is closed, so that the test fails instead of hanging.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    closer.start(50);
    QList<QWidget*> targets = pages;
    for (QLineEdit* edit : window.findChildren<QLineEdit*>()) targets << edit;
    for (QPlainTextEdit* edit : window.findChildren<QPlainTextEdit*>()) targets << edit->viewport();
    for (QWidget* target : targets) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(event.isAccepted()) << target->objectName().toStdString();  // by the page
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

}  // namespace
