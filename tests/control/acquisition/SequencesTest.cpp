// Query, Zero, the instrument clock and the settings transfer, end to end against the simulator.
#include <signal.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <ctime>

#include "AcquisitionHarness.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"
#include "settings/SettingsKey.h"

namespace {

using CommandList = std::vector<std::string>;
const CommandList kHandshake = {"UE", "UE"};
const CommandList kLoadCommands = {"SMB", "SMZ", "UD", "UT", "UP", "UY", "UZ", "STA", "STB", "STZ", "STP"};

// Setup page controls by template id.
constexpr int kBackscatterBox = 1012, kManualRadio = 1025, kNormalRadio = 1011, kDataBox = 1017,
              kTimeBox = 1018, kPhotonBox = 1019, kAuxBox = 1020, kZeroBox = 1021, kDailyRadio = 1014,
              kWeeklyRadio = 1024, kAveragingEdit = 1029, kBlankEdit = 1032, kZeroEdit = 1030,
              kAutoZeroEdit = 1031, kApplyButton = 1079, kSetClockButton = 1101;

CommandList Concat(std::initializer_list<CommandList> parts) {
    CommandList all;
    for (const CommandList& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace

class SequencesTest : public AcquisitionTest {
protected:
    QWidget* SetupPage() { return &Sheet().SetupPage(); }
    QAbstractButton* SetupButton(int id) { return Control<QAbstractButton>(SetupPage(), id); }
    QLineEdit* SetupEdit(int id) { return Control<QLineEdit>(SetupPage(), id); }

    void QueryOn(QWidget* page) {
        Sheet().Tabs().setCurrentWidget(page);
        m_titles.clear();
        Click(CCorvanePropertySheet::ID_QUERY);
    }
    // Loads the Setup page from the simulator, then marks it modified by a click on the Time box.
    void LoadAndChangeTime() {
        QueryOn(SetupPage());
        QTest::mouseClick(SetupButton(kTimeBox), Qt::LeftButton);
        ASSERT_EQ(Sheet().SetupPage().m_bModified, 1);
    }
    // The state of the six instrument check boxes and the mode radio.
    std::vector<bool> Checks() {
        std::vector<bool> states;
        for (int id :
             {kBackscatterBox, kManualRadio, kNormalRadio, kDataBox, kTimeBox, kPhotonBox, kAuxBox, kZeroBox})
            states.push_back(SetupButton(id)->isChecked());
        return states;
    }
};

TEST_F(SequencesTest, QueryFollowsTheActivePageAndClosesThePortAgain) {
    Start({"--averaging", "300", "--records", "DY", "--status", "0000"});

    QueryOn(&Sheet().CommPage());
    EXPECT_EQ(Commands(), kHandshake);
    EXPECT_EQ(m_titles, QStringList({"On Com1", "Corvane"}));
    EXPECT_FALSE(m_link->IsConnected());

    QueryOn(&Sheet().DataPage());
    EXPECT_EQ(Commands(), Concat({kHandshake, kHandshake, {"SD0", "RT", "RD", "RY", "RZ"}}));
    EXPECT_EQ(m_titles, QStringList({"On Com1", "Corvane"}));
    QWidget* data = &Sheet().DataPage();
    EXPECT_TRUE(Sheet().DataPage().HasInstrumentTime());
    EXPECT_FALSE(Control<QLabel>(data, 1040)->text().isEmpty());  // total scatter Blue from "RD"
    EXPECT_EQ(Control<QLabel>(data, 1079)->text(), "");           // both countdowns cleared
    EXPECT_EQ(Control<QLabel>(data, 1077)->text(), "");

    QueryOn(SetupPage());
    EXPECT_EQ(Commands(),
              Concat({kHandshake, kHandshake, {"SD0", "RT", "RD", "RY", "RZ"}, kHandshake, kLoadCommands}));
    EXPECT_EQ(m_titles, QStringList({"On Com1", "Corvane"}));
    EXPECT_FALSE(m_link->IsConnected());
    // The instrument's answers on the page: records D and Y on, averaging 300 s.
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, true, true, false, false, true, false}));
    EXPECT_EQ(SetupEdit(kAveragingEdit)->text(), "300");
    EXPECT_EQ(Sheet().Snapshot().m_strAveragingTime, "300");
    EXPECT_EQ(Sheet().Snapshot().m_nMode, 1);
    EXPECT_EQ(Sheet().SetupPage().m_bModified, 0);
    EXPECT_FALSE(SetupButton(kApplyButton)->isEnabled());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}

TEST_F(SequencesTest, ZeroAndSetClockEachSendOneCommand) {
    Start();
    m_titles.clear();
    Click(CCorvanePropertySheet::ID_ZERO);
    EXPECT_EQ(Commands(), Concat({kHandshake, {"Z"}}));
    EXPECT_EQ(m_titles, QStringList({"On Com1", "Corvane"}));

    const std::time_t before = std::time(nullptr);
    QTest::mouseClick(SetupButton(kSetClockButton), Qt::LeftButton);
    const CommandList sent = Commands();
    ASSERT_EQ(sent.size(), 6u);
    const QRegularExpression format(R"(^STT(\d{4}),(\d\d),(\d\d),(\d\d),(\d\d),(\d\d)$)");
    const QRegularExpressionMatch match = format.match(QString::fromStdString(sent.back()));
    ASSERT_TRUE(match.hasMatch()) << sent.back();
    std::tm tm{};
    tm.tm_year = match.captured(1).toInt() - 1900;
    tm.tm_mon = match.captured(2).toInt() - 1;
    tm.tm_mday = match.captured(3).toInt();
    tm.tm_hour = match.captured(4).toInt();
    tm.tm_min = match.captured(5).toInt();
    tm.tm_sec = match.captured(6).toInt();
    tm.tm_isdst = -1;
    const std::time_t sentTime = std::mktime(&tm);
    EXPECT_GE(sentTime, before - 1);
    EXPECT_LE(sentTime, std::time(nullptr));
    EXPECT_FALSE(m_link->IsConnected());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}

TEST_F(SequencesTest, RefusedClockIsReported) {
    Start({"--refuse", "STT"});
    QTest::mouseClick(SetupButton(kSetClockButton), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.messages, QStringList({"An error occured setting the instruments date and time."}));
    EXPECT_FALSE(m_link->IsConnected());
}

TEST_F(SequencesTest, ApplySendsAllElevenSettingsInOrderAndStoresTheLocalOnes) {
    Start({"--records", "DT", "--averaging", "60", "--blank", "10", "--zero", "20", "--autozero", "3600"});
    LoadAndChangeTime();
    const std::size_t loaded = Commands().size();
    QTest::mouseClick(SetupButton(kApplyButton), Qt::LeftButton);

    const CommandList sent = Commands();
    EXPECT_EQ(
        CommandList(sent.begin() + static_cast<long>(loaded), sent.end()),
        Concat({kHandshake,
                {"SMZ1", "UD1", "UT0", "UP0", "UY0", "UZ0", "STA60", "STB10", "STZ20", "STP3600", "SMB1"}}));
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_FALSE(m_link->IsConnected());
    EXPECT_EQ(Sheet().Title(), "Corvane");
    EXPECT_EQ(StoredNumber(kValueCommPort), 0u);
    EXPECT_EQ(StoredNumber(kValueModel), 2u);  // "Unknown" on a first run
    EXPECT_EQ(StoredNumber(kValueLogEnable), 0u);
    EXPECT_EQ(StoredNumber(kValueLogLength), 0u);  // Daily, the default the load selected
    EXPECT_EQ(Sheet().SetupPage().m_bModified, 0);
}

TEST_F(SequencesTest, RefusedSettingsAreReportedOneByOneAndOnlyTheirControlsPutBack) {
    Start({"--refuse", "SMZ,UZ,STA"});
    LoadAndChangeTime();  // Time records now off on the page
    QTest::mouseClick(SetupButton(kManualRadio), Qt::LeftButton);
    SetupEdit(kAveragingEdit)->setText("120");
    SetupEdit(kBlankEdit)->setText("30");
    const std::vector<bool> before = Checks();

    // The store is written before the first command and between the record and timing commands.
    std::vector<std::pair<QString, bool>> storedAtBox;
    m_dialogs.onMessage = [&](const QString& text) {
        storedAtBox.emplace_back(text, StoredNumber(kValueLogEnable).has_value());
        if (storedAtBox.size() == 1) {
            EXPECT_TRUE(StoredNumber(kValueCommPort).has_value());
            EXPECT_TRUE(StoredNumber(kValueModel).has_value());
        }
    };
    QTest::mouseClick(SetupButton(kApplyButton), Qt::LeftButton);

    const std::vector<std::pair<QString, bool>> expected = {{"Attempt to set the Mode failed.", false},
                                                            {"Attempt to set the Zero record failed.", false},
                                                            {"Attempt to set Averaging Time failed.", true}};
    EXPECT_EQ(storedAtBox, expected);
    // Mode back to the instrument's Normal, Zero box cleared (it sent 1), all else as the operator set it.
    std::vector<bool> after = before;
    after[1] = false;  // Manual
    after[2] = true;   // Normal
    after[7] = false;  // Zero
    EXPECT_EQ(Checks(), after);
    EXPECT_EQ(SetupEdit(kAveragingEdit)->text(), "60");  // the instrument's value
    EXPECT_EQ(SetupEdit(kBlankEdit)->text(), "30");
    EXPECT_EQ(Sheet().Snapshot().m_strAveragingTime, "60");
    EXPECT_EQ(Sheet().Snapshot().m_strBlankTime, "30");
    EXPECT_EQ(Sheet().Snapshot().m_nMode, 1);
    EXPECT_EQ(Commands().back(), "SMB1");
    EXPECT_FALSE(m_link->IsConnected());
}

TEST_F(SequencesTest, InstrumentFallingSilentAfterTheOpenGivesElevenFailures) {
    Start();
    LoadAndChangeTime();
    m_link->SetTimeouts(60, kOpenMs);
    ASSERT_EQ(m_link->OpenPort(1, 9600), CSerialLink::kOpenOk);
    ASSERT_EQ(kill(m_sim->Pid(), SIGSTOP), 0);
    QTest::mouseClick(SetupButton(kApplyButton), Qt::LeftButton);
    kill(m_sim->Pid(), SIGCONT);

    EXPECT_EQ(
        m_dialogs.messages,
        QStringList({"Attempt to set the Mode failed.", "Attempt to set the Data record failed.",
                     "Attempt to set the Time record failed.", "Attempt to set the Photon record failed.",
                     "Attempt to set the Auxiliary record failed.", "Attempt to set the Zero record failed.",
                     "Attempt to set Averaging Time failed.", "Attempt to set Blank Time failed.",
                     "Attempt to set Zero Time failed.", "Attempt to set Auto Zero Period failed.",
                     "Attempt to set the Backscatter mode failed."}));
    EXPECT_FALSE(m_link->IsConnected());
    EXPECT_TRUE(StoredNumber(kValueLogEnable).has_value());
    EXPECT_TRUE(StoredNumber(kValueModel).has_value());
}

TEST_F(SequencesTest, LogSizeCheckSwitchesWeeklyToDailyForTheRunAtOnce) {
    StoreLogging(true, 1);
    Start({"--averaging", "1", "--autozero", "3600", "--records", "DTZ"});  // 8,556,000 bytes a day
    QueryOn(SetupPage());
    EXPECT_EQ(m_dialogs.messages,
              QStringList({"The 'Log - New File Weekly' option is selected.\r\n"
                           "This will result in a log file that exceeds the recomended size.\r\n"
                           "The 'Log - New File Daily' option will be set before proceeding."}));
    EXPECT_TRUE(SetupButton(kDailyRadio)->isChecked());
    EXPECT_FALSE(SetupButton(kWeeklyRadio)->isEnabled());
    EXPECT_EQ(Sheet().SetupPage().GetLogLength(), 0);
    EXPECT_EQ(StoredNumber(kValueLogLength), 1u);  // the store follows at the next apply
}

TEST_F(SequencesTest, LogSizeCheckKeepsWeeklyForASmallerDay) {
    StoreLogging(true, 1);
    // Data, Time and Zero records every 5 s: 99 * 17280 + 100 * 24 = 1,713,120 bytes a day.
    Start({"--averaging", "5", "--autozero", "3600", "--records", "DTZ"});
    QueryOn(SetupPage());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_TRUE(SetupButton(kWeeklyRadio)->isEnabled());
    EXPECT_TRUE(SetupButton(kWeeklyRadio)->isChecked());
    EXPECT_EQ(Sheet().SetupPage().GetLogLength(), 1);
}
