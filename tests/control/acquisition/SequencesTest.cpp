// Query, Zero, the instrument clock and the settings transfer, end to end against the simulator.
#include <signal.h>

#include <QLabel>
#include <ctime>
#include <iomanip>
#include <sstream>

#include "SheetHarness.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "run/StoredRun.h"

class SequencesTest : public SheetTest {
protected:
    // The state of the six instrument check boxes and the two mode radios.
    std::vector<bool> Checks() {
        std::vector<bool> states;
        for (SetupPageId id : {SetupPageId::Backscatter, SetupPageId::Manual, SetupPageId::Normal, SetupPageId::DataRecords, SetupPageId::TimeRecords, SetupPageId::PhotonRecords, SetupPageId::AuxRecords, SetupPageId::ZeroRecords})
            states.push_back(SetupButton(id)->isChecked());
        return states;
    }
};

TEST_F(SequencesTest, QueryFollowsTheActivePageAndZeroAndSetClockSendOneCommandEachClosingThePortAgain) {
    Start({"--averaging", "300", "--records", "DY", "--status", "0000"});
    const std::pair<QWidget*, CommandList> queries[] = {
        {&Sheet().CommPage(), {"UE", "UE"}},
        {&Sheet().DataPage(), {"UE", "UE", "SD0", "RT", "RD", "RY", "RZ"}},
        {&Sheet().SetupPage(), {"UE", "UE", "SMB", "SMZ", "UD", "UT", "UP", "UY", "UZ", "STA", "STB", "STZ", "STP"}}};
    for (const auto& [page, commands] : queries) {
        EXPECT_EQ(QueryOn(page), commands);
        EXPECT_EQ(m_titles, QStringList({"On Com1", "Corvane"}));
        EXPECT_FALSE(m_link->IsConnected());
    }
    // Zero and Set Neph Time each send one command on a port opened for it.
    const std::size_t queried = Commands().size();
    Click(CCorvanePropertySheet::ID_ZERO);
    EXPECT_EQ(Commands(queried), CommandList({"UE", "UE", "Z"}));
    const std::time_t before = std::time(nullptr);
    ClickSetup(SetupPageId::SetNephTime);
    const CommandList clock = Commands(queried + 3);
    ASSERT_EQ(clock.size(), 3u);
    std::tm tm{};
    tm.tm_isdst = -1;
    std::istringstream(clock.back()) >> std::get_time(&tm, "STT%Y,%m,%d,%H,%M,%S");
    EXPECT_EQ(clock.back().size(), 22u) << clock.back();  // every field in full, zero-padded
    EXPECT_TRUE(std::mktime(&tm) >= before - 1 && std::mktime(&tm) <= std::time(nullptr)) << clock.back();
    EXPECT_FALSE(m_link->IsConnected());
    // The port that answered is the one --start uses, even once it no longer opens.
    EXPECT_EQ(StoredNumber(kValueRunPort), 1u);
    m_sim.reset();
    ASSERT_TRUE(StoredRunConfig());
    EXPECT_EQ(StoredRunConfig()->port, 1);
    QWidget* data = &Sheet().DataPage();
    EXPECT_FALSE(Control<QLabel>(data, DataPageId::ScatteringBlue)->text().isEmpty());  // total scatter Blue from "RD"
    EXPECT_TRUE(Control<QLabel>(data, DataPageId::ModeSeconds)->text().isEmpty() && Control<QLabel>(data, DataPageId::NextData)->text().isEmpty())
        << "both countdowns cleared";
    // The instrument's answers on the Setup page: records D and Y on, averaging 300 s, Normal mode.
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, true, true, false, false, true, false}));
    EXPECT_EQ(SetupEdit(SetupPageId::AveragingTime)->text(), "300");
    EXPECT_FALSE(SetupButton(SetupPageId::ApplyChanges)->isEnabled());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}

TEST_F(SequencesTest, ApplySendsAllElevenSettingsInOrderAndStoresTheLocalOnes) {
    Start({"--records", "DTB", "--averaging", "60", "--blank", "10", "--zero", "20", "--autozero", "3600"});
    QueryOn(&Sheet().SetupPage());
    ClickSetup(SetupPageId::TimeRecords);
    const std::size_t loaded = Commands().size();
    ClickSetup(SetupPageId::ApplyChanges);
    EXPECT_EQ(Commands(loaded), CommandList({"UE", "UE", "SMZ1", "UD1", "UT0", "UP3", "UY0", "UZ0", "STA60", "STB10",
                                             "STZ20", "STP3600", "SMB1"}));
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_FALSE(m_link->IsConnected());
    EXPECT_EQ(StoredNumber(kValueCommPort), 0u);
    EXPECT_EQ(StoredNumber(kValueModel), 2u);  // "Unknown" on a first run
    EXPECT_EQ(StoredNumber(kValueLogEnable), 0u);
    EXPECT_EQ(StoredNumber(kValueLogLength), 0u);  // Daily, the default the load selected
    EXPECT_FALSE(SetupButton(SetupPageId::ApplyChanges)->isEnabled());
}

TEST_F(SequencesTest, RefusedCommandsAreReportedOneByOneAndOnlyTheirControlsPutBack) {
    Start({"--refuse", "SMZ,UZ,STA,STT"});
    QueryOn(&Sheet().SetupPage());
    ClickSetup(SetupPageId::TimeRecords);  // Time records now off on the page
    QTest::mouseClick(SetupButton(SetupPageId::Manual), Qt::LeftButton);
    SetupEdit(SetupPageId::AveragingTime)->setText("120");
    SetupEdit(SetupPageId::BlankTime)->setText("30");
    std::vector<bool> expected = Checks();
    expected[1] = false;  // Manual: back to the instrument's Normal
    expected[2] = true;
    expected[7] = false;  // Zero: cleared, as it sent 1

    // The store is written before the first command and between the record and timing commands: each
    // box notes what the store held when it opened.
    QStringList storedAtBox;
    m_dialogs.onMessage = [&](const QString& text) {
        storedAtBox << text + (StoredNumber(kValueCommPort) && StoredNumber(kValueModel) ? " model" : "") +
                           (StoredNumber(kValueLogEnable) ? " log" : "");
    };
    ClickSetup(SetupPageId::ApplyChanges);
    EXPECT_EQ(storedAtBox, QStringList({"Attempt to set the Mode failed. model",
                                        "Attempt to set the Zero record failed. model",
                                        "Attempt to set Averaging Time failed. model log"}));
    EXPECT_EQ(Checks(), expected);
    EXPECT_EQ(SetupEdit(SetupPageId::AveragingTime)->text(), "60");  // the instrument's value
    EXPECT_EQ(SetupEdit(SetupPageId::BlankTime)->text(), "30");
    EXPECT_EQ(Sheet().Snapshot().m_strAveragingTime, "60");
    EXPECT_EQ(Commands().back(), "SMB1");

    ClickSetup(SetupPageId::SetNephTime);
    EXPECT_EQ(m_dialogs.messages.back(), "An error occured setting the instruments date and time.");
    EXPECT_FALSE(m_link->IsConnected());
}

TEST_F(SequencesTest, InstrumentFallingSilentAfterTheOpenGivesElevenFailuresAndLeavesThePageMarked) {
    Start();
    QueryOn(&Sheet().SetupPage());
    ClickSetup(SetupPageId::TimeRecords);
    m_link->SetTimeouts(60, 500);
    ASSERT_EQ(m_link->OpenPort(1, 9600), CSerialLink::kOpenOk);
    ASSERT_EQ(kill(m_sim->Pid(), SIGSTOP), 0);
    ClickSetup(SetupPageId::ApplyChanges);
    kill(m_sim->Pid(), SIGCONT);
    EXPECT_EQ(m_dialogs.messages,
              QStringList({"Attempt to set the Mode failed.", "Attempt to set the Data record failed.",
                           "Attempt to set the Time record failed.", "Attempt to set the Photon record failed.",
                           "Attempt to set the Auxiliary record failed.", "Attempt to set the Zero record failed.",
                           "Attempt to set Averaging Time failed.", "Attempt to set Blank Time failed.",
                           "Attempt to set Zero Time failed.", "Attempt to set Auto Zero Period failed.",
                           "Attempt to set the Backscatter mode failed."}));
    EXPECT_FALSE(m_link->IsConnected());
    EXPECT_TRUE(StoredNumber(kValueLogEnable) && StoredNumber(kValueModel));
    // The timing texts put back are those shown, which changes no edit, yet the page holds values the
    // instrument does not: it must be marked all the same.
    EXPECT_TRUE(Sheet().SetupPage().m_bModified);
    EXPECT_TRUE(SetupButton(SetupPageId::ApplyChanges)->isEnabled());
}

TEST_F(SequencesTest, LogSizeCheckForbidsWeeklyFilesOnlyForALargeDay) {
    StoreLogging(CDataLog::kWeekly);
    Start({"--averaging", "1", "--autozero", "3600", "--records", "DTZ"});  // 8,556,000 bytes a day
    QueryOn(&Sheet().SetupPage());
    EXPECT_EQ(m_dialogs.messages, QStringList("The 'Log - New File Weekly' option is selected.\r\n"
                                              "This will result in a log file that exceeds the recomended size.\r\n"
                                              "The 'Log - New File Daily' option will be set before proceeding."));
    EXPECT_TRUE(SetupButton(SetupPageId::Daily)->isChecked() && !SetupButton(SetupPageId::Weekly)->isEnabled());
    EXPECT_EQ(Sheet().SetupPage().GetLogLength(), CDataLog::kDaily);  // the run's files follow at once
    EXPECT_EQ(StoredNumber(kValueLogLength), CDataLog::kDaily);       // and the next start finds them

    // Data, Time and Zero records every 5 s: 99 * 17280 + 100 * 24 = 1,713,120 bytes a day.
    SetupEdit(SetupPageId::AveragingTime)->setText("5");
    ClickSetup(SetupPageId::ApplyChanges);
    EXPECT_EQ(m_dialogs.messages.size(), 1);
    EXPECT_TRUE(SetupButton(SetupPageId::Weekly)->isEnabled());
    EXPECT_EQ(StoredNumber(kValueLogLength), CDataLog::kDaily);
}
