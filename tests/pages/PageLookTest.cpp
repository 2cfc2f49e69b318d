// What all three pages share: texts that fit their controls at the application font, the icons,
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
#include "PseudoTerminal.h"
#include "ValueBox.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/DialogUnits.h"
#include "pages/Icons.h"
#include "pages/InstSetupPage.h"
#include "serial/SerialLink.h"

namespace {

// The main window's arrangement: the three pages as tabs above a button row, and F1 elsewhere in
// the window opening the program overview.
class PageLookTest : public ::testing::Test {
protected:
    FakePageHost host;
    CSerialLink link;
    CDeviceFolder folder;
    CPseudoTerminal com1;
    QDialog window;
    QTabWidget* tabs = new QTabWidget(&window);
    QPushButton* query = new QPushButton("Query", &window);
    CCorvaneInstSetupPage* setup = nullptr;
    CCorvaneDataPage* data = nullptr;
    CCorvaneCommSetupPage* comm = nullptr;

    void SetUp() override {
        folder.Link(1, com1.SlavePath());
        setenv("CORVANE_DEVICE_DIR", folder.Path().c_str(), 1);
        setup = new CCorvaneInstSetupPage(host);
        data = new CCorvaneDataPage(host);
        comm = new CCorvaneCommSetupPage(host, link);
        unsetenv("CORVANE_DEVICE_DIR");
        tabs->addTab(setup, "Setup");
        tabs->addTab(data, "Data");
        tabs->addTab(comm, "Communications");
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(tabs);
        layout->addWidget(query);
        auto* overview = new QShortcut(QKeySequence(Qt::Key_F1), &window);
        QObject::connect(overview, &QShortcut::activated, [this] { host.ShowHelp("program overview"); });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QList<QWidget*> Pages() const { return {setup, data, comm}; }
};

TEST_F(PageLookTest, EveryTextFitsItsControl) {
    const QFontMetrics metrics = window.fontMetrics();
    const QSize pageSize = DialogRect(metrics, 0, 0, kPageWidthDlu, kPageHeightDlu).size();
    QLabel* mode = data->findChild<QLabel*>("1078");
    for (QWidget* page : Pages()) {
        for (QWidget* control : page->findChildren<QWidget*>()) {
            const std::string name = control->objectName().toStdString();
            if (control->parentWidget() != page) continue;
            EXPECT_TRUE(QRect(QPoint(0, 0), pageSize).contains(control->geometry())) << name;
            if (auto* group = qobject_cast<QGroupBox*>(control)) {
                const int titleWidth = group->fontMetrics().horizontalAdvance(group->title());
                EXPECT_LE(titleWidth + 2 * group->fontMetrics().averageCharWidth(), group->width()) << name;
                continue;
            }
            QSize needed;
            if (auto* label = qobject_cast<QLabel*>(control); label && label->frameShape() == QFrame::NoFrame)
                needed = label->sizeHint();
            else if (qobject_cast<QAbstractButton*>(control))
                needed = control->minimumSizeHint();
            else
                continue;
            EXPECT_LE(needed.width(), control->width())
                << name << " " << control->property("text").toString().toStdString();
            if (qobject_cast<QLabel*>(control)) {
                EXPECT_LE(needed.height(), control->height()) << name;
            }
        }
    }
    for (const char* label : {"BLANKING mode for", "MEASURING mode for", "ZEROING mode for"}) {
        mode->setText(label);
        EXPECT_LE(mode->sizeHint().width(), mode->width()) << label;
    }
}

TEST_F(PageLookTest, IconsRenderInTheirColours) {
    // A point on the glass of the lamps, and on the face of the discs.
    auto glass = [](std::uint16_t id, int size) {
        const QImage image = IconForResource(id).pixmap(size).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        return image.pixelColor(size * 21 / 32, size * 10 / 32);
    };
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const QColor lamp = glass(128, size), red = glass(133, size), green = glass(134, size);
        const QColor redLamp = glass(135, size);
        EXPECT_GT(lamp.lightness(), 200);
        EXPECT_GT(red.red(), 2 * red.green());
        EXPECT_GT(green.green(), 2 * green.red());
        EXPECT_GT(redLamp.red(), 2 * redLamp.green());
    }
    EXPECT_TRUE(IconForResource(101).isNull());
}

TEST_F(PageLookTest, NoContextMenuOnPagesOrTheirEdits) {
    // Should a menu open after all, close it so that the test fails instead of hanging.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    closer.start(50);
    QList<QWidget*> targets = Pages();
    for (QWidget* page : Pages()) {
        for (QLineEdit* edit : page->findChildren<QLineEdit*>()) targets << edit;
        for (QPlainTextEdit* edit : page->findChildren<QPlainTextEdit*>()) targets << edit->viewport();
    }
    EXPECT_EQ(targets.size(), 3 + 5 + 1);
    int menus = 0;
    for (QWidget* target : targets) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(event.isAccepted()) << target->objectName().toStdString();  // taken by the page
        if (QApplication::activePopupWidget()) ++menus;
    }
    EXPECT_EQ(menus, 0);
}

TEST_F(PageLookTest, HelpKeyOpensThePageTopicAndTheOverviewElsewhere) {
    struct Row {
        int tab;
        const char* control;
        const char* keyword;
    };
    for (const Row row :
         {Row{0, "1031", "instrument setup"}, Row{0, "1077", "instrument setup"}, Row{1, "1100", "data"},
          Row{2, "1029", "serial port setup"}, Row{2, "1004", "serial port setup"}}) {
        SCOPED_TRACE(row.control);
        tabs->setCurrentIndex(row.tab);
        QWidget* control = tabs->currentWidget()->findChild<QWidget*>(row.control);
        control->setFocus();
        host.helpKeywords.clear();
        QTest::keyClick(control, Qt::Key_F1);
        EXPECT_EQ(host.helpKeywords, QStringList{row.keyword});
    }
    query->setFocus();
    host.helpKeywords.clear();
    QTest::keyClick(query, Qt::Key_F1);
    EXPECT_EQ(host.helpKeywords, QStringList{"program overview"});
}

TEST(ValueBoxTest, WideValueGetsASmallerFontThatFits) {
    const QFont base = QApplication::font();
    const QString value = "1.234e-05";
    const int width = QFontMetrics(base).horizontalAdvance(value) - 6;
    const QFont fitted = FittingFont(base, value, width);
    EXPECT_LE(QFontMetricsF(fitted).horizontalAdvance(value), width);
    EXPECT_LT(fitted.pointSizeF(), base.pointSizeF());
    EXPECT_GT(fitted.pointSizeF(), 0.8 * base.pointSizeF());

    EXPECT_EQ(FittingFont(base, "60", width), base);
    // A value far too long stops shrinking at half size and is cut.
    const QFont smallest = FittingFont(base, QString(500, '9'), width);
    EXPECT_GE(smallest.pointSizeF(), 0.5 * base.pointSizeF());
    EXPECT_LT(smallest.pointSizeF(), 0.55 * base.pointSizeF());
}

TEST(DialogUnitsTest, AdjacentRectanglesMeetWithoutGapOrOverlap) {
    const QFontMetrics metrics(QApplication::font());
    for (int x = 0; x < 40; ++x) {
        const QRect left = DialogRect(metrics, x, 3, 7, 9);
        const QRect right = DialogRect(metrics, x + 7, 12, 5, 9);
        EXPECT_EQ(left.right() + 1, right.left()) << x;
        EXPECT_EQ(left.bottom() + 1, right.top()) << x;
    }
    // A page holds about 65 average characters across and 19 lines down.
    const QRect page = DialogRect(metrics, 0, 0, kPageWidthDlu, kPageHeightDlu);
    EXPECT_EQ(page.height(), (metrics.height() * kPageHeightDlu + 4) / 8);
    const double perChar =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
    EXPECT_NEAR(page.width(), perChar * kPageWidthDlu / 4, 1.0);
}

}  // namespace
