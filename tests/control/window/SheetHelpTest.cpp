// Help: F1 opens the manual at the section of the page or window it was pressed on, the Help
// button's menu offers the contents and the about box, and the help window goes with the window.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#include "SheetFixture.h"

namespace {

// The block that holds the named anchor, or an invalid block.
QTextBlock AnchorBlock(const QTextDocument& document, const QString& anchor) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(anchor)) return block;
    return {};
}

struct HelpCase {
    const char* name;
    int page;           // tab shown
    const char* focus;  // page control with the focus; nullptr: the Exit button
    const char* anchor;
};

}  // namespace

class HelpTest : public SheetTest {
protected:
    QTextBrowser* Browser() { return Sheet().findChild<QTextBrowser*>(); }

    // The browser shows the anchor's section at the top of its view (or is scrolled to the end).
    void ExpectShowsSection(const QString& anchor) {
        QTextBrowser* browser = Browser();
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(browser->window()));
        EXPECT_TRUE(browser->window()->isVisible());
        EXPECT_EQ(browser->source().fragment(), anchor);
        const QTextBlock block = AnchorBlock(*browser->document(), anchor);
        ASSERT_TRUE(block.isValid()) << "the manual has no section " << anchor.toStdString();
        const qreal top = browser->document()->documentLayout()->blockBoundingRect(block).top();
        const QScrollBar* scroll = browser->verticalScrollBar();
        EXPECT_TRUE(std::abs(top - scroll->value()) < 30 || scroll->value() == scroll->maximum())
            << "section at " << top << ", view at " << scroll->value();
    }
};

TEST_F(HelpTest, F1OpensTheManualAtTheSectionOfWhatHasTheFocus) {
    const HelpCase cases[] = {
        {"a window button", 0, nullptr, "program-overview"},
        {"Setup page", 0, "1077", "instrument-setup"},
        {"Data page", 1, "1100", "data"},
        {"Communications page", 2, "1029", "serial-port-setup"},
    };
    Make();
    for (const HelpCase& c : cases) {
        SCOPED_TRACE(c.name);
        Sheet().Tabs().setCurrentIndex(c.page);
        QWidget* focus =
            c.focus ? Sheet().Tabs().currentWidget()->findChild<QWidget*>(c.focus) : Button(1005);
        ASSERT_NE(focus, nullptr);
        QApplication::setActiveWindow(&Sheet());
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focus, Qt::Key_F1);
        ExpectShowsSection(c.anchor);
    }
}

TEST_F(HelpTest, HelpMenuShowsTheContentsAndTheAboutBoxWhenGiven) {
    Make();
    QMenu* menu = Button(9)->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text(), "&Contents");

    // Contents after a section: back at the top of the manual.
    Sheet().ShowHelp("data");
    menu->actions().front()->trigger();
    EXPECT_TRUE(Browser()->source().fragment().isEmpty());
    EXPECT_EQ(Browser()->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(AnchorBlock(*Browser()->document(), "contents").isValid());

    int aboutShown = 0;
    Sheet().SetAboutBox([&] { ++aboutShown; });
    QAction* about = menu->actions().back();
    EXPECT_EQ(about->text(), "&About Corvane...");
    about->trigger();
    EXPECT_EQ(aboutShown, 1);
}

TEST_F(HelpTest, HelpWindowClosesWithTheMainWindow) {
    Make();
    Sheet().ShowHelp("program overview");
    QPointer<QWidget> help = Browser()->window();
    ASSERT_TRUE(help->isVisible());
    EXPECT_NE(help.data(), &Sheet());

    QTest::mouseClick(Button(1005), Qt::LeftButton);
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_FALSE(help->isVisible());

    m_sheet.reset();
    EXPECT_TRUE(help.isNull());
}
