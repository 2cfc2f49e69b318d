// What the three pages share: texts that fit their controls at the application font, the icons,
// no context menus, and F1 opening each page's own help topic.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "FakePageHost.h"
#include "ValueBox.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/DialogUnits.h"
#include "pages/Icons.h"
#include "pages/InstSetupPage.h"
#include "serial/SerialLink.h"

namespace {

// The main window's arrangement: the pages as tabs above a button, and F1 elsewhere in the window
// opening the program overview.
class PageLookTest : public ::testing::Test {
protected:
    FakePageHost host;
    CSerialLink link;
    QDialog window;
    QTabWidget* tabs = new QTabWidget(&window);
    QPushButton* query = new QPushButton("Query", &window);
    CCorvaneDataPage* data = new CCorvaneDataPage(host);
    QList<QWidget*> pages;

    void SetUp() override {
        setenv("CORVANE_DEVICE_DIR", "/nonexistent", 1);
        pages = {new CCorvaneInstSetupPage(host), data, new CCorvaneCommSetupPage(host, link)};
        unsetenv("CORVANE_DEVICE_DIR");
        for (QWidget* page : pages) tabs->addTab(page, "");
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(tabs);
        layout->addWidget(query);
        auto* overview = new QShortcut(QKeySequence(Qt::Key_F1), &window);
        QObject::connect(overview, &QShortcut::activated, [this] { host.ShowHelp("program overview"); });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST_F(PageLookTest, EveryTextFitsItsControlAndEveryControlThePage) {
    const QRect page = DialogRect(window.fontMetrics(), 0, 0, kPageWidthDlu, kPageHeightDlu);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (!pages.contains(control->parentWidget())) continue;
        const std::string name = control->objectName().toStdString();
        EXPECT_TRUE(page.contains(control->geometry())) << name;
        int needed = 0;
        if (auto* group = qobject_cast<QGroupBox*>(control))
            needed = group->fontMetrics().horizontalAdvance(group->title() + "xx");
        else if (auto* label = qobject_cast<QLabel*>(control);
                 label && label->frameShape() == QFrame::NoFrame)
            needed = label->sizeHint().width();
        else if (qobject_cast<QAbstractButton*>(control))
            needed = control->minimumSizeHint().width();
        EXPECT_LE(needed, control->width()) << name;
    }
    QLabel* mode = data->findChild<QLabel*>("1078");
    for (const char* label : {"BLANKING mode for", "ZEROING mode for"}) {
        mode->setText(label);
        EXPECT_LE(mode->sizeHint().width(), mode->width()) << label;
    }
}

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

TEST_F(PageLookTest, IconsRenderInTheirColours) {
    // A point on the glass of the lamps and on the face of the discs.
    auto glass = [](std::uint16_t id, int size) {
        return IconForResource(id).pixmap(size).toImage().pixelColor(size * 21 / 32, size * 10 / 32);
    };
    for (int size : {16, 32}) {
        EXPECT_GT(glass(128, size).lightness(), 200) << size;
        EXPECT_GT(glass(133, size).red(), 2 * glass(133, size).green()) << size;
        EXPECT_GT(glass(134, size).green(), 2 * glass(134, size).red()) << size;
        EXPECT_GT(glass(135, size).red(), 2 * glass(135, size).green()) << size;
    }
    EXPECT_TRUE(IconForResource(101).isNull());
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
    ASSERT_EQ(targets.size(), 3 + 5 + 1);
    for (QWidget* target : targets) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(event.isAccepted()) << target->objectName().toStdString();  // by the page
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

TEST_F(PageLookTest, HelpKeyOpensThePageTopicAndTheOverviewElsewhere) {
    const std::tuple<int, const char*, const char*> cases[] = {{0, "1031", "instrument setup"},
                                                               {0, "1077", "instrument setup"},
                                                               {1, "1100", "data"},
                                                               {2, "1029", "serial port setup"},
                                                               {2, "1004", "serial port setup"}};
    for (const auto& [tab, id, keyword] : cases) {
        tabs->setCurrentIndex(tab);
        QWidget* control = pages[tab]->findChild<QWidget*>(id);
        control->setFocus();
        host.helpKeywords.clear();
        QTest::keyClick(control, Qt::Key_F1);
        EXPECT_EQ(host.helpKeywords, QStringList{keyword}) << id;
    }
    query->setFocus();
    host.helpKeywords.clear();
    QTest::keyClick(query, Qt::Key_F1);
    EXPECT_EQ(host.helpKeywords, QStringList{"program overview"});
}

TEST(DialogUnitsTest, AdjacentRectanglesMeetWithoutGapOrOverlap) {
    const QFontMetrics metrics(QApplication::font());
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(DialogRect(metrics, x, 3, 7, 9).right() + 1, DialogRect(metrics, x + 7, 12, 5, 9).left())
            << x;
        EXPECT_EQ(DialogRect(metrics, x, 3, 7, 9).bottom() + 1, DialogRect(metrics, x + 7, 12, 5, 9).top())
            << x;
    }
}

}  // namespace
