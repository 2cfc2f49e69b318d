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

// Holds the page in a dialog whose default button stands for Query, so that an Enter the page does
// not take can be seen reaching the dialog.
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

    template <class W>
    W* Control(int id) const {
        return page->findChild<W*>(QString::number(id));
    }
    QCheckBox* Box(int id) const { return Control<QCheckBox>(id); }
    QRadioButton* Radio(int id) const { return Control<QRadioButton>(id); }
    QLineEdit* Edit(int id) const { return Control<QLineEdit>(id); }
    QPushButton* Apply() const { return Control<QPushButton>(1079); }
    void Click(QWidget* control) const {
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(5, control->height() / 2));
    }
    // One keyboard step to the entry, as the operator makes a choice.
    void ChooseModel(int index) const {
        QComboBox* model = Control<QComboBox>(1077);
        model->setFocus();
        if (index == 1)
            QTest::keyClick(model, model->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        else
            QTest::keyClick(model, index == 0 ? Qt::Key_Home : Qt::Key_End);
        ASSERT_EQ(model->currentIndex(), index);
    }
    // Loads settings the way the controller does: setters, then a commit.
    void Load(int model, int mode, int logEnable, int logLength) const {
        page->SetModel(model);
        page->SetMode(mode);
        page->SetLogEnable(logEnable);
        page->SetLogLength(logLength);
        page->SetAveragingTime("60");
        page->CommitPageValues();
    }
};

TEST_F(InstSetupPageTest, StartsUnknownAndUnselectedAndCommitsNeitherAsMinusOne) {
    EXPECT_EQ(Control<QComboBox>(1077)->currentText(), "Unknown");
    EXPECT_FALSE(Box(1012)->isEnabled());
    EXPECT_FALSE(Radio(1025)->isChecked());
    EXPECT_FALSE(Radio(1011)->isChecked());
    EXPECT_FALSE(Radio(1014)->isEnabled());
    EXPECT_FALSE(Radio(1024)->isEnabled());
    EXPECT_FALSE(Apply()->isEnabled());
    EXPECT_EQ(page->GetModel(), 2);
    EXPECT_EQ(page->GetMode(), 2);
    EXPECT_EQ(page->GetLogLength(), 2);

    page->CommitPageValues();
    EXPECT_EQ(page->GetMode(), 65535);  // sent as "SMZ65535" by the settings transfer
    EXPECT_EQ(page->GetLogLength(), 65535);
}

TEST_F(InstSetupPageTest, SettersChangeControlsButNotRememberedValuesOrModified) {
    page->SetModel(1);
    page->SetBackscatter(5);
    page->SetMode(1);
    page->SetLogEnable(1);
    page->SetLogLength(1);
    page->SetDataRecords(1);
    page->SetZeroRecords(1);
    EXPECT_TRUE(Box(1012)->isEnabled());
    EXPECT_TRUE(Box(1012)->isChecked());
    EXPECT_TRUE(Radio(1011)->isChecked());
    EXPECT_TRUE(Radio(1014)->isEnabled());
    EXPECT_TRUE(Radio(1024)->isChecked());
    EXPECT_EQ(page->m_bModified, 0);
    EXPECT_EQ(page->GetModel(), 2);
    EXPECT_EQ(page->GetDataRecords(), 0);

    page->SetModel(3);  // out of range: ignored
    page->SetMode(7);   // neither 0 nor 1: nothing changes
    page->SetLogLength(-1);
    EXPECT_EQ(Control<QComboBox>(1077)->currentIndex(), 1);
    EXPECT_TRUE(Radio(1011)->isChecked());
    EXPECT_TRUE(Radio(1024)->isChecked());
    page->SetMode(0);
    EXPECT_TRUE(Radio(1025)->isChecked());
    EXPECT_FALSE(Radio(1011)->isChecked());

    page->CommitPageValues();
    EXPECT_EQ(page->GetModel(), 1);
    EXPECT_EQ(page->GetBackscatter(), 1);
    EXPECT_EQ(page->GetMode(), 0);
    EXPECT_EQ(page->GetLogEnable(), 1);
    EXPECT_EQ(page->GetLogLength(), 1);
    EXPECT_EQ(page->GetDataRecords(), 1);
    EXPECT_EQ(page->GetTimeRecords(), 0);
    EXPECT_EQ(page->GetZeroRecords(), 1);
}

TEST_F(InstSetupPageTest, CheckBoxClickedTwiceStaysModified) {
    page->CommitPageValues();
    Click(Box(1018));
    EXPECT_EQ(page->m_bModified, 1);
    EXPECT_TRUE(Apply()->isEnabled());
    Click(Box(1018));
    EXPECT_FALSE(Box(1018)->isChecked());
    EXPECT_EQ(page->m_bModified, 1);
    EXPECT_TRUE(Apply()->isEnabled());
}

TEST_F(InstSetupPageTest, RadioMarksModifiedOnlyAgainstTheRememberedChoice) {
    Load(1, 0, 1, 0);
    Click(Radio(1025));  // Manual, already remembered
    Click(Radio(1014));  // Daily, already remembered
    EXPECT_EQ(page->m_bModified, 0);
    Click(Radio(1011));
    EXPECT_EQ(page->m_bModified, 1);

    Load(1, 0, 1, 0);
    Click(Radio(1024));
    EXPECT_EQ(page->m_bModified, 1);
}

TEST_F(InstSetupPageTest, ModelChoiceSetsBackscatterEnablingAndKeepsItsCheck) {
    Load(1, 1, 0, 0);
    page->SetBackscatter(1);
    page->CommitPageValues();
    ChooseModel(0);
    EXPECT_FALSE(Box(1012)->isEnabled());
    EXPECT_TRUE(Box(1012)->isChecked());
    EXPECT_EQ(page->m_bModified, 1);
    ChooseModel(1);
    EXPECT_TRUE(Box(1012)->isEnabled());
    ChooseModel(2);  // Unknown leaves the enabling as it was
    EXPECT_TRUE(Box(1012)->isEnabled());

    Load(0, 1, 0, 0);
    ChooseModel(2);
    EXPECT_FALSE(Box(1012)->isEnabled());
    ChooseModel(0);  // back to the remembered model, but the page stays modified
    EXPECT_EQ(page->m_bModified, 1);
}

TEST_F(InstSetupPageTest, TimingTextChangesMarkModifiedWhoeverMakesThem) {
    Load(1, 1, 0, 0);
    page->SetBlankTime("45");
    EXPECT_EQ(page->m_bModified, 1);
    EXPECT_TRUE(Apply()->isEnabled());

    Load(1, 1, 0, 0);
    QLineEdit* zero = Edit(1030);
    zero->setFocus();
    QTest::keyClicks(zero, "3");
    EXPECT_EQ(page->m_bModified, 1);
    EXPECT_EQ(page->GetZeroTime(), "3");
}

TEST_F(InstSetupPageTest, TimingEditsTakeOnlyDigitsUpToTenOfThem) {
    for (int id : {1029, 1032, 1030, 1031}) {
        SCOPED_TRACE(id);
        QLineEdit* edit = Edit(id);
        edit->setFocus();
        QTest::keyClicks(edit, "12a-3 4.5678901234");
        EXPECT_EQ(edit->text(), "1234567890");
    }
    EXPECT_EQ(page->GetAveragingTime(), "1234567890");
    EXPECT_EQ(page->GetAutoZeroPeriod(), "1234567890");
}

TEST_F(InstSetupPageTest, EnterAppliesOnlyUnappliedChanges) {
    Load(1, 1, 0, 0);
    QLineEdit* averaging = Edit(1029);
    averaging->setFocus();
    QTest::keyClick(averaging, Qt::Key_Return);
    EXPECT_EQ(host.applyCalls, 0);
    EXPECT_EQ(queryClicks, 1);  // went on to the dialog's default button

    Click(Box(1017));
    QTest::keyClick(Box(1017), Qt::Key_Enter);
    EXPECT_EQ(host.applyCalls, 1);
    EXPECT_EQ(page->GetDataRecords(), 1);
    EXPECT_EQ(page->m_bModified, 0);
    EXPECT_FALSE(Apply()->isEnabled());
    EXPECT_EQ(queryClicks, 1);  // consumed by the page
}

TEST_F(InstSetupPageTest, NothingIsAppliedDuringADataRun) {
    Load(1, 1, 0, 0);
    Click(Box(1019));
    page->SetRunning(true);
    EXPECT_FALSE(Apply()->isEnabled());
    page->SetAveragingTime("120");  // a change during the run keeps Apply disabled
    EXPECT_FALSE(Apply()->isEnabled());
    Edit(1029)->setFocus();
    QTest::keyClick(Edit(1029), Qt::Key_Return);
    EXPECT_EQ(host.applyCalls, 0);
    EXPECT_EQ(page->m_bModified, 1);

    page->SetRunning(false);
    EXPECT_TRUE(Apply()->isEnabled());
    page->CommitPageValues();
    page->SetRunning(true);
    page->SetRunning(false);
    EXPECT_FALSE(Apply()->isEnabled());
}

TEST_F(InstSetupPageTest, ApplyCommitsBeforeHandingOverAndSetTimeLeavesModified) {
    Load(1, 1, 0, 0);
    Click(Box(1020));
    // The controller reads the remembered values: they are committed before it is called.
    int auxAtApply = -1;
    int modifiedAtApply = -1;
    host.onApply = [&] {
        auxAtApply = page->GetAuxRecords();
        modifiedAtApply = page->m_bModified;
    };
    Click(Apply());
    EXPECT_EQ(host.applyCalls, 1);
    EXPECT_EQ(auxAtApply, 1);
    EXPECT_EQ(modifiedAtApply, 0);

    Click(Box(1021));
    Click(Control<QPushButton>(1101));
    EXPECT_EQ(host.clockCalls, 1);
    EXPECT_EQ(page->m_bModified, 1);
}

TEST_F(InstSetupPageTest, EnablePageControlsFollowsRememberedModelAndLogEnable) {
    struct Row {
        int model, logEnable;
        bool backscatter, logLength;
    };
    for (const Row row :
         {Row{0, 0, false, false}, Row{1, 1, true, true}, Row{2, 1, false, true}, Row{1, 0, true, false}}) {
        SCOPED_TRACE(row.model * 10 + row.logEnable);
        Load(row.model, 1, row.logEnable, 0);
        Click(Box(1017));  // Apply Changes enabled: it keeps its own state throughout
        page->EnablePageControls(false);
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                qobject_cast<QComboBox*>(control)) {
                EXPECT_EQ(control->isEnabled(), control == Apply()) << control->objectName().toStdString();
            }
        }
        page->EnablePageControls(true);
        EXPECT_EQ(Box(1012)->isEnabled(), row.backscatter);
        EXPECT_EQ(Radio(1014)->isEnabled(), row.logLength);
        EXPECT_EQ(Radio(1024)->isEnabled(), row.logLength);
        EXPECT_TRUE(Edit(1031)->isEnabled());
        EXPECT_TRUE(Control<QPushButton>(1101)->isEnabled());
    }
}

TEST_F(InstSetupPageTest, LogEnableClickedOffAndOnOffersWeeklyAgain) {
    Load(1, 1, 1, 1);
    page->EnableWeeklyOption(false);
    page->SetLogLength(0);
    page->RememberLogLength(0);
    EXPECT_FALSE(Radio(1024)->isEnabled());
    EXPECT_EQ(page->GetLogLength(), 0);
    Click(Box(1015));
    EXPECT_FALSE(Radio(1014)->isEnabled());
    Click(Box(1015));
    EXPECT_TRUE(Radio(1024)->isEnabled());
    EXPECT_TRUE(Radio(1014)->isEnabled());
    EXPECT_EQ(page->m_bModified, 1);
}

}  // namespace
