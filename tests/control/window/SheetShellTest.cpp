// The main window's shell: what Enter and Escape press, help opened at the section of the focus and
// closed with the window, and the start-up state (the stored port, the log folder, the window icon).
#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <cmath>
#include <optional>

#include "PseudoTerminal.h"
#include "SheetHarness.h"
#include "pages/CommPageIds.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPageIds.h"
#include "pages/Icons.h"
#include "pages/SetupPageIds.h"

TEST_F(SheetTest, EnterPressesQueryWhereNoButtonOrPageTakesItAndEscapeNothing) {
    const QString dataBox = ControlName(SetupPageId::DataRecords), ports = ControlName(CommPageId::Ports);
    const struct {
        int page;       // tab index: 0 Setup, 1 Data, 2 Communications
        QString focus;  // object name of the focused control, on the page or else the window
        bool modifySetup;  // an unapplied change on the Setup page, which Enter applies
        Qt::Key key;
        int pressed;  // id of the window button pressed, 0 for none
    } cases[] = {
        {0, dataBox, false, Qt::Key_Return, CCorvanePropertySheet::ID_QUERY},
        {1, ControlName(DataPageId::StatusText), false, Qt::Key_Enter, CCorvanePropertySheet::ID_QUERY},
        {2, ports, false, Qt::Key_Return, CCorvanePropertySheet::ID_QUERY},
        {1, QString::number(CCorvanePropertySheet::ID_ZERO), false, Qt::Key_Return, CCorvanePropertySheet::ID_ZERO},
        {0, dataBox, true, Qt::Key_Return, 0},
        {0, QString::number(CCorvanePropertySheet::ID_QUERY), false, Qt::Key_Escape, 0},
        {0, ports, false, Qt::Key_Escape, 0},
    };
    int pressed = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.page << " " << c.focus.toStdString() << " " << c.key);
        OpenWindowWithoutInstrument();
        pressed = 0;
        for (int id : {CCorvanePropertySheet::ID_QUERY, CCorvanePropertySheet::ID_START_DATA, CCorvanePropertySheet::ID_ZERO, CCorvanePropertySheet::ID_EXIT})
            QObject::connect(Button(id), &QPushButton::clicked, [&pressed, id] { pressed = pressed ? -1 : id; });
        Sheet().Tabs().setCurrentIndex(c.page);
        if (c.modifySetup) QTest::mouseClick(Sheet().SetupPage().findChild<QCheckBox*>(dataBox), Qt::LeftButton);
        QWidget* focus = Sheet().Tabs().currentWidget()->findChild<QWidget*>(c.focus);
        (focus ? focus : Button(c.focus.toInt()))->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), c.key);
        EXPECT_EQ(pressed, c.pressed);
        EXPECT_FALSE(Sheet().SetupPage().m_bModified);
        EXPECT_TRUE(Sheet().isVisible());
        EXPECT_TRUE(c.key != Qt::Key_Escape || m_dialogs.messages.isEmpty());
        m_dialogs.messages.clear();
    }
}

TEST_F(SheetTest, PageButtonGivesTheDefaultBackToQueryWhenItsPageIsLeft) {
    OpenWindowWithoutInstrument();
    int queries = 0;
    QObject::connect(Button(CCorvanePropertySheet::ID_QUERY), &QPushButton::clicked, [&queries] { ++queries; });
    Sheet().Tabs().setCurrentIndex(2);
    auto* test = Sheet().Tabs().currentWidget()->findChild<QPushButton*>(ControlName(CommPageId::Test));
    test->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test->isDefault());
    Sheet().Tabs().setCurrentIndex(1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(queries, 1);
    EXPECT_TRUE(Button(CCorvanePropertySheet::ID_QUERY)->isDefault());
}

TEST_F(SheetTest, StoredPortIndexSelectsTheListEntryAndLogsGoToTheWorkingFolder) {
    const std::pair<std::optional<std::uint16_t>, int> cases[] = {
        // stored value (none: missing) and the list index selected: 0 port 3, 1 port 5, -1 none
        {1, 1}, {std::nullopt, 0}, {65535, -1}, {40000, -1} /* negative as signed 16-bit */, {2, 0}};
    // Only ports 3 and 5 open, so the list reads "Com port 3", "Com port 5".
    PseudoTerminal com3, com5;
    fs::create_symlink(com3.DevicePath(), DeviceDir() + "/COM3");
    fs::create_symlink(com5.DevicePath(), DeviceDir() + "/COM5");
    for (const auto& [stored, selected] : cases) {
        SCOPED_TRACE(stored.value_or(0));
        fs::remove_all(m_folder / "config");
        if (CSettingsKey key; stored) {
            ASSERT_TRUE(key.Open(kProductKeyPath, false) && key.WriteWord(kValueCommPort, *stored));
        }
        OpenWindowWithoutInstrument();
        ASSERT_EQ(Sheet().CommPage().PortCount(), 2);
        EXPECT_EQ(Sheet().CommPage().SelectedIndex(), selected);
        // Logs go to the working folder until one is chosen.
        EXPECT_EQ(Sheet().Core().Log().m_strLogPath, QDir::currentPath().toStdString() + "/");
    }
}

TEST_F(SheetTest, NewCaptionKeepsTheFaultIcon) {
    CCorvanePropertySheet& sheet = OpenWindowWithoutInstrument();
    const auto shows = [&](IconId icon) {
        return sheet.windowIcon().pixmap(32).toImage() == IconFor(icon).pixmap(32).toImage();
    };
    EXPECT_TRUE(shows(IconId::Application) && !shows(IconId::RedLamp));
    sheet.SetMainWindowIcon(IconId::RedLamp, "Lamp");
    sheet.UpdateTitle();
    EXPECT_TRUE(shows(IconId::RedLamp));
    sheet.SetMainWindowIcon(IconId::Application, "");
    EXPECT_TRUE(shows(IconId::Application));
}

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
