// The Setup page: the remembered values and their commit, the tracking of unapplied changes, the
// Enter key, the enabling rules and the timing edits.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

#include "FakePageHost.h"
#include "pages/InstSetupPage.h"

namespace {

// The page sits in a dialog whose default button stands for Query, so that an Enter the page
// does not take can be seen reaching the dialog.
class InstSetupPageTest : public ::testing::Test {
protected:
    FakePageHost host;
    QDialog dialog;
    CCorvaneInstSetupPage* page = new CCorvaneInstSetupPage(host, &dialog);
    QPushButton* query = new QPushButton("Query", &dialog);
    int queryClicks = 0;

    void SetUp() override {
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(page);
        layout->addWidget(query);
        query->setDefault(true);
        QObject::connect(query, &QPushButton::clicked, [this] { ++queryClicks; });
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QWidget* Control(int id) const { return page->findChild<QWidget*>(QString::number(id)); }
    bool Checked(int id) const { return static_cast<QAbstractButton*>(Control(id))->isChecked(); }
    void Click(int id) const { QTest::mouseClick(Control(id), Qt::LeftButton, {}, QPoint(5, 8)); }
    void Press(int id, Qt::Key key) const {
        Control(id)->setFocus();
        QTest::keyClick(Control(id), key);
    }
    // Loads settings the way the controller does: setters, then a commit.
    void Load(int model, int mode, int logEnable, int logLength) const {
        page->SetModel(model);
        page->SetMode(mode);
        page->SetLogEnable(logEnable);
        page->SetLogLength(logLength);
        page->CommitPageValues();
    }
};

TEST_F(InstSetupPageTest, SettersShowValuesThatOnlyACommitRemembers) {
    EXPECT_EQ(page->GetModel(), 2);
    EXPECT_EQ(page->GetMode(), 2);
    EXPECT_FALSE(Control(1012)->isEnabled() || Control(1014)->isEnabled() || Control(1079)->isEnabled());
    page->CommitPageValues();  // no radio selected: -1, read as 16 bits
    EXPECT_EQ(page->GetMode(), 65535);
    EXPECT_EQ(page->GetLogLength(), 65535);

    page->SetModel(1);
    page->SetBackscatter(5);
    page->SetMode(0);
    page->SetMode(7);  // neither 0 nor 1: no change
    page->SetModel(3);
    page->SetLogEnable(1);
    page->SetLogLength(1);
    page->SetZeroRecords(1);
    EXPECT_TRUE(Control(1012)->isEnabled() && Checked(1012) && Checked(1025) && Checked(1024));
    EXPECT_TRUE(Control(1014)->isEnabled());
    EXPECT_EQ(page->m_bModified, 0);
    EXPECT_EQ(page->GetModel(), 2);
    page->CommitPageValues();
    EXPECT_EQ(page->GetModel(), 1);
    EXPECT_EQ(page->GetBackscatter(), 1);
    EXPECT_EQ(page->GetMode(), 0);
    EXPECT_EQ(page->GetLogLength(), 1);
    EXPECT_EQ(page->GetZeroRecords(), 1);
    EXPECT_EQ(page->GetDataRecords(), 0);
}

TEST_F(InstSetupPageTest, ChangesStayMarkedUntilCommitted) {
    Load(1, 0, 1, 0);
    Click(1025);  // Manual and Daily are what is remembered already
    Click(1014);
    EXPECT_EQ(page->m_bModified, 0);
    Click(1018);
    Click(1018);  // back to the remembered state: still modified
    EXPECT_EQ(page->m_bModified, 1);
    EXPECT_TRUE(Control(1079)->isEnabled());

    Load(1, 0, 1, 0);
    page->SetBlankTime("45");  // the controller's text changes mark the page too
    EXPECT_EQ(page->m_bModified, 1);

    Load(0, 1, 0, 0);
    Press(1077, Qt::Key_End);  // "Unknown" leaves Backscatter disabled
    EXPECT_FALSE(Control(1012)->isEnabled());
    Press(1077, Qt::Key_Up);  // "7830"
    EXPECT_TRUE(Control(1012)->isEnabled());
    Press(1077, Qt::Key_Up);  // "7810", the remembered model: disabled, still modified
    EXPECT_FALSE(Control(1012)->isEnabled());
    EXPECT_EQ(page->m_bModified, 1);
}

TEST_F(InstSetupPageTest, TimingEditsTakeOnlyDigitsUpToTenOfThem) {
    for (int id : {1029, 1032, 1030, 1031}) {
        Control(id)->setFocus();
        QTest::keyClicks(Control(id), "12a-3 4.5678901234");
    }
    EXPECT_EQ(page->GetAveragingTime(), "1234567890");
    EXPECT_EQ(page->GetAutoZeroPeriod(), "1234567890");
}

TEST_F(InstSetupPageTest, EnterAppliesOnlyUnappliedChangesAndNeverDuringARun) {
    Load(1, 1, 0, 0);
    Press(1029, Qt::Key_Return);
    EXPECT_EQ(host.applyCalls, 0);
    EXPECT_EQ(queryClicks, 1);  // went on to the dialog's default button

    Click(1017);
    page->SetRunning(true);
    EXPECT_FALSE(Control(1079)->isEnabled());
    Press(1017, Qt::Key_Enter);
    EXPECT_EQ(host.applyCalls, 0);

    page->SetRunning(false);
    EXPECT_TRUE(Control(1079)->isEnabled());
    Press(1017, Qt::Key_Enter);
    EXPECT_EQ(host.applyCalls, 1);
    EXPECT_EQ(page->GetDataRecords(), 1);
    EXPECT_FALSE(Control(1079)->isEnabled());
    EXPECT_EQ(queryClicks, 2);  // the key was consumed when it applied
}

TEST_F(InstSetupPageTest, ApplyCommitsBeforeHandingOverAndSetTimeLeavesModified) {
    Load(1, 1, 0, 0);
    Click(1020);
    int auxAtApply = -1;
    host.onApply = [&] { auxAtApply = page->m_bModified == 0 ? page->GetAuxRecords() : -1; };
    Click(1079);
    EXPECT_EQ(auxAtApply, 1);
    Click(1021);
    Click(1101);
    EXPECT_EQ(host.clockCalls, 1);
    EXPECT_EQ(page->m_bModified, 1);
}

TEST_F(InstSetupPageTest, EnablePageControlsFollowsRememberedModelAndLogEnable) {
    struct Row {
        int model, logEnable;
        bool backscatter, logLength;
    };
    for (const Row row : {Row{0, 0, false, false}, Row{1, 1, true, true}, Row{2, 1, false, true}}) {
        SCOPED_TRACE(row.model);
        Load(row.model, 1, row.logEnable, 0);
        Click(1017);  // Apply Changes enabled: it keeps its own state throughout
        page->EnablePageControls(false);
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                qobject_cast<QComboBox*>(control)) {
                EXPECT_EQ(control->isEnabled(), control == Control(1079))
                    << control->objectName().toStdString();
            }
        }
        page->EnablePageControls(true);
        EXPECT_EQ(Control(1012)->isEnabled(), row.backscatter);
        EXPECT_EQ(Control(1024)->isEnabled(), row.logLength);
        EXPECT_TRUE(Control(1031)->isEnabled() && Control(1101)->isEnabled());
    }
}

TEST_F(InstSetupPageTest, LogEnableClickedOffAndOnOffersWeeklyAgain) {
    Load(1, 1, 1, 1);
    page->EnableWeeklyOption(false);  // refused by the log-size check
    page->RememberLogLength(0);
    EXPECT_EQ(page->GetLogLength(), 0);
    Click(1015);
    Click(1015);
    EXPECT_TRUE(Control(1024)->isEnabled());
}

}  // namespace
