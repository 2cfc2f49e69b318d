// The Setup page: the remembered values and their commit, the tracking of unapplied changes, the
// Enter key, the enabling rules and the timing edits.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "FakePageHost.h"
#include "pages/ControlName.h"
#include "pages/InstSetupPage.h"

namespace {

using enum SetupPageId;

// The page on its own: where an Enter that it does not take goes is tested with the whole window.
class InstSetupPageTest : public ::testing::Test {
protected:
    FakePageHost host;
    CCorvaneInstSetupPage page{host};

    void SetUp() override {
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    QWidget* Control(SetupPageId id) const { return page.findChild<QWidget*>(ControlName(id)); }
    bool Enabled(SetupPageId id) const { return Control(id)->isEnabled(); }
    void Click(SetupPageId id) const { QTest::mouseClick(Control(id), Qt::LeftButton, {}, QPoint(5, 8)); }
    void Press(SetupPageId id, Qt::Key key) const {
        Control(id)->setFocus();
        QTest::keyClick(Control(id), key);
    }
    // Loads settings the way the controller does: setters, then a commit.
    void Load(int model, int mode, int logEnable, int logLength) {
        page.SetModel(model);
        page.SetMode(mode);
        page.SetLogEnable(logEnable);
        page.SetLogLength(logLength);
        page.CommitPageValues();
    }
};

TEST_F(InstSetupPageTest, GettersReturnWhatTheLastCommitTookFromTheControls) {
    page.CommitPageValues();
    EXPECT_EQ(page.GetMode(), 65535);  // no radio selected: -1, read as 16 bits
    page.SetModel(1);
    page.SetBackscatter(5);
    page.SetMode(0);
    page.SetMode(7);  // neither 0 nor 1: no change
    EXPECT_EQ(page.GetModel(), 2);
    page.CommitPageValues();
    EXPECT_EQ(page.GetModel(), 1);
    EXPECT_TRUE(page.GetBackscatter());
    EXPECT_EQ(page.GetMode(), 0);
}

TEST_F(InstSetupPageTest, OnlyAChangeFromTheRememberedValuesMarksThePage) {
    Load(1, 0, 1, 0);
    page.SetBlankTime("45");  // by the controller
    EXPECT_TRUE(page.m_bModified);
    Load(1, 0, 1, 0);
    Click(Manual);
    Click(Daily);
    EXPECT_FALSE(page.m_bModified);
    EXPECT_FALSE(Enabled(ApplyChanges));
    // A box clicked back to its remembered state leaves the page marked.
    Click(TimeRecords);
    Click(TimeRecords);
    EXPECT_TRUE(page.m_bModified);
    EXPECT_TRUE(Enabled(ApplyChanges));
}

TEST_F(InstSetupPageTest, ModelChoiceEnablesBackscatterOnlyFor7830) {
    Load(0, 1, 0, 0);
    Press(Model, Qt::Key_End);  // "Unknown" leaves Backscatter as it was
    EXPECT_FALSE(Enabled(Backscatter));
    Press(Model, Qt::Key_Up);  // "7830"
    EXPECT_TRUE(Enabled(Backscatter));
    Press(Model, Qt::Key_Up);  // "7810", the remembered model: disabled, still modified
    EXPECT_FALSE(Enabled(Backscatter));
    EXPECT_TRUE(page.m_bModified);
}

TEST_F(InstSetupPageTest, TimingEditsTakeOnlyDigitsUpToTenOfThem) {
    for (SetupPageId id : {AveragingTime, BlankTime, ZeroTime, AutoZeroPeriod}) {
        Control(id)->setFocus();
        QTest::keyClicks(Control(id), "12a-3 4.5678901234");
    }
    EXPECT_EQ(page.GetAveragingTime(), "1234567890");
    EXPECT_EQ(page.GetAutoZeroPeriod(), "1234567890");
}

TEST_F(InstSetupPageTest, EnterAppliesTheChangesCommittedFirstButNotDuringARun) {
    Load(1, 1, 0, 0);
    page.SetRunning(true);
    page.SetRunning(false);
    EXPECT_FALSE(Enabled(ApplyChanges));  // nothing changed before the run
    Click(DataRecords);
    page.SetRunning(true);
    EXPECT_FALSE(Enabled(ApplyChanges));
    Press(DataRecords, Qt::Key_Enter);
    EXPECT_EQ(host.applyCalls, 0);
    page.SetRunning(false);
    EXPECT_TRUE(Enabled(ApplyChanges));  // the changes are still there

    int recordsAtApply = -1;  // the main window sends what is remembered
    host.onApply = [&] { recordsAtApply = !page.m_bModified ? int{page.GetDataRecords()} : -1; };
    Press(DataRecords, Qt::Key_Enter);
    EXPECT_EQ(host.applyCalls, 1);
    EXPECT_EQ(recordsAtApply, 1);
    EXPECT_FALSE(Enabled(ApplyChanges));
}

TEST_F(InstSetupPageTest, EnablePageControlsFollowsRememberedModelAndLogEnableAndLogEnableOffersWeekly) {
    const struct {
        int model, logEnable;
        bool backscatter, logLength;
    } rows[] = {{0, 0, false, false}, {1, 1, true, true}, {2, 1, false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.model);
        Load(row.model, 1, row.logEnable, 0);
        Click(DataRecords);  // Apply Changes enabled: it keeps its own state throughout
        page.EnablePageControls(false);
        for (QWidget* control : page.findChildren<QWidget*>()) {
            const bool input = control->inherits("QAbstractButton") || control->inherits("QLineEdit") ||
                               control->inherits("QComboBox");
            EXPECT_TRUE(!input || control->isEnabled() == (control == Control(ApplyChanges)))
                << control->objectName().toStdString();
        }
        page.EnablePageControls(true);
        EXPECT_EQ(Enabled(Backscatter), row.backscatter);
        EXPECT_EQ(Enabled(Weekly), row.logLength);
        EXPECT_TRUE(Enabled(AutoZeroPeriod) && Enabled(SetNephTime));
    }
    // Weekly files refused by the log-size check are offered again once logging is clicked off and on.
    page.EnableWeeklyOption(false);
    Click(LogEnable);
    Click(LogEnable);
    EXPECT_TRUE(Enabled(Weekly));
}

}  // namespace
