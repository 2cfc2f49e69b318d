// Help: F1 opens the manual at the section of the page or window it was pressed on, the Help
// button's menu at its contents, and the help window goes with the main window.
#include <QAbstractTextDocumentLayout>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <cmath>
#include <optional>

#include "SheetHarness.h"
#include "pages/CommPageIds.h"
#include "pages/DataPageIds.h"
#include "pages/SetupPageIds.h"

namespace {

// Where the manual's section with this anchor begins; nothing when the manual has no such section.
std::optional<qreal> SectionTop(const QTextDocument& document, const QString& anchor) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(anchor))
                return document.documentLayout()->blockBoundingRect(block).top();
    return std::nullopt;
}

}  // namespace

TEST_F(SheetTest, HelpOpensAtTheSectionOfTheFocusAndClosesWithTheWindow) {
    const struct {
        int page;       // tab shown
        QString focus;  // page control with the focus; empty: the Exit button
        const char* anchor;
    } cases[] = {{0, QString(), "program-overview"},
                 {0, ControlName(SetupPageId::Model), "instrument-setup"},
                 {1, ControlName(DataPageId::StatusText), "data"},
                 {2, ControlName(CommPageId::Ports), "serial-port-setup"}};
    OpenWindowWithoutInstrument();
    QTextBrowser* browser = nullptr;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.anchor);
        Sheet().Tabs().setCurrentIndex(c.page);
        QWidget* focus = c.focus.isEmpty() ? Button(CCorvanePropertySheet::ID_EXIT)
                                           : Sheet().Tabs().currentWidget()->findChild<QWidget*>(c.focus);
        QApplication::setActiveWindow(&Sheet());
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focus, Qt::Key_F1);
        ASSERT_TRUE((browser = Sheet().findChild<QTextBrowser*>()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(browser->window()));
        EXPECT_EQ(browser->source().fragment(), c.anchor);
        // The section is at the top of the view, or the view is scrolled to the end.
        const std::optional<qreal> top = SectionTop(*browser->document(), c.anchor);
        ASSERT_TRUE(top) << "the manual has no such section";
        const QScrollBar* scroll = browser->verticalScrollBar();
        EXPECT_TRUE(std::abs(*top - scroll->value()) < 30 || scroll->value() == scroll->maximum()) << *top;
    }

    Button(CCorvanePropertySheet::ID_HELP)->menu()->actions().front()->trigger();  // "&Contents"
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(SectionTop(*browser->document(), "contents"));

    QPointer<QWidget> help = browser->window();
    QTest::mouseClick(Button(CCorvanePropertySheet::ID_EXIT), Qt::LeftButton);
    EXPECT_FALSE(help->isVisible());
    m_sheet.reset();
    EXPECT_TRUE(help.isNull());
}
