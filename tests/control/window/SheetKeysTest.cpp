// The keyboard: Enter presses Query unless a button has the focus or the Setup page takes the key;
// Escape leaves the window open and does nothing.
#include <QCheckBox>

#include "SheetHarness.h"
#include "pages/CommPageIds.h"
#include "pages/DataPageIds.h"

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
