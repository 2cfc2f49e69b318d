// Faults that once slipped past the other acquisition tests, each guarded by a test that fails on
// it at once: a put-back that leaves the page unmarked, unwritable settings, the Apply button after
// a run, and the lines around the start and the stop of a run (against a scripted instrument, so
// that they arrive exactly where they must).
#include <QLabel>
#include <QTabWidget>
#include <map>

#include "AcquisitionHarness.h"
#include "SerialTestSupport.h"
#include "control/DataLog.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"

namespace {

// The folder of the program's settings key inside the test's configuration folder.
fs::path KeyFolder() {
    return fs::path(CSettingsKey::ValuesFilePath(kProductKeyPath)).parent_path();
}

// Settings that can be read but no longer written: the new values file cannot be made.
void MakeSettingsUnwritable() {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    fs::create_directories(KeyFolder() / "values.reg.new");
}

QString SettingsNotSaved() {
    return QStringLiteral("The settings could not be saved to the settings file\r\n%1\r\n"
                          "They stay in use until the program ends.")
        .arg(QString::fromStdString(CSettingsKey::ValuesFilePath(kProductKeyPath)));
}

}  // namespace

class SettingsGuardTest : public AcquisitionTest {
protected:
    void QuerySetup() {
        Sheet().Tabs().setCurrentWidget(&Sheet().SetupPage());
        Click(CCorvanePropertySheet::ID_QUERY);
    }
    bool ApplyEnabled() { return Control(&Sheet().SetupPage(), SetupPageId::ApplyChanges)->isEnabled(); }
};

TEST_F(SettingsGuardTest, RefusedTimingPutBackWithUnchangedTextLeavesThePageModified) {
    Start({"--refuse", "STA"});
    QuerySetup();
    ClickSetup(SetupPageId::TimeRecords);  // the averaging time is not touched
    ClickSetup(SetupPageId::ApplyChanges);
    EXPECT_EQ(m_dialogs.messages, QStringList("Attempt to set Averaging Time failed."));
    EXPECT_EQ(Sheet().SetupPage().m_bModified, 1);
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(SettingsGuardTest, UnwritableSettingsGiveOneBoxAndTheApplyGoesOn) {
    Start();
    MakeSettingsUnwritable();
    QuerySetup();
    ClickSetup(SetupPageId::TimeRecords);
    const std::size_t loaded = Commands().size();
    ClickSetup(SetupPageId::ApplyChanges);
    EXPECT_EQ(m_dialogs.messages, QStringList(SettingsNotSaved()));
    EXPECT_EQ(Commands(loaded).size(), 13u);  // the handshake and all eleven settings
    EXPECT_FALSE(m_link->IsConnected());
}

TEST_F(SettingsGuardTest, UnwritableLogFolderSettingGivesOneBoxAndTheRunStarts) {
    StoreLogging(CDataLog::kDaily);
    MakeSettingsUnwritable();
    m_dialogs.chosenLogFile = QString::fromStdString((LogFolder() / "run.dat").string());
    Start({"--records", "D", "--averaging", "1", "--speed", "10"});
    Click(CCorvanePropertySheet::ID_START_DATA);
    EXPECT_EQ(m_dialogs.messages, QStringList(SettingsNotSaved()));
    EXPECT_TRUE(Sheet().IsRunning());
    EXPECT_TRUE(WaitFor([&] { return !FileLines(LogFolder() / "run.dat").empty(); }));
}

TEST_F(SettingsGuardTest, ApplyChangesStaysDisabledAfterARunWithNothingChanged) {
    Start();
    Click(CCorvanePropertySheet::ID_START_DATA);
    Click(CCorvanePropertySheet::ID_START_DATA);
    ASSERT_FALSE(Sheet().IsRunning());
    EXPECT_FALSE(ApplyEnabled());
}

// The window on a scripted instrument that answers every command at once, "UB" with the given
// bytes; only the commands of a run wait out their time-out, as their "OK" comes as a line. Its
// clock gives no time, so a log keeps the file chosen today.
class RunEdgeGuardTest : public AcquisitionTest {
protected:
    void StartOn(const std::string& startReply) {
        std::map<std::string, std::string> replies = {
            {"SMB", "0\r"},   {"SMZ", "1\r"},  {"UD", "1\r"},   {"UT", "0\r"},    {"UP", "0\r"},
            {"UY", "0\r"},    {"UZ", "0\r"},   {"STA", "60\r"}, {"STB", "60\r"},  {"STZ", "300\r"},
            {"STP", "3600\r"}, {"SD0", "OK\r"}, {"RT", "ERROR\r"},
            {"RD", "D,N,100,0.5,2.2,3.3,4.4,5.5,6.6\r"}, {"RY", "Y,0,1013,300,295,45,0,0,0000\r"},
            {"RZ", "Z,1,2,3,4,5,6,7,8,9\r"}, {"UB", startReply}};
        m_instrument = std::make_unique<FakeInstrument>(Answers(std::move(replies)));
        const fs::path devices = m_folder / "devices";
        fs::create_directories(devices);
        fs::create_symlink(m_instrument->DevicePath(), devices / "COM1");
        OpenWindowOn(devices);
        m_owner = std::make_unique<RecordingOwner>(static_cast<std::uint32_t>(CCorvanePropertySheet::CommEventType()),
                                                   m_sheet.get());
        m_link->SetOwnerWindow(m_owner.get());
    }
    void TearDown() override {
        AcquisitionTest::TearDown();
        m_instrument.reset();
    }
    std::unique_ptr<FakeInstrument> m_instrument;
    std::unique_ptr<RecordingOwner> m_owner;  // sees each notification as it is posted
};

TEST_F(RunEdgeGuardTest, RecordSentWithTheStartReplyIsShownNotTakenForTheReply) {
    StartOn("D,N,100,4.25,2.2,3.3,4.4,5.5,6.6\rOK\r");
    Sheet().OnStartStopData();
    const QLabel* blue = Control<QLabel>(&Sheet().DataPage(), DataPageId::ScatteringBlue);
    EXPECT_TRUE(WaitFor([&] { return blue->text() == "4.25"; }, 2000)) << blue->text().toStdString();
}

TEST_F(RunEdgeGuardTest, LinesReceivedButNotHandledWhenStopIsPressedAreAllLogged) {
    StoreLogging(CDataLog::kDaily);
    const fs::path log = LogFolder() / "stop.dat";
    m_dialogs.chosenLogFile = QString::fromStdString(log.string());
    std::string lines;
    std::vector<std::string> expected;
    for (int i = 1; i <= 5; ++i) {
        expected.push_back("D,N,100," + std::to_string(i) + ",2,3,4,5,6");
        lines += expected.back() + "\r";
    }
    StartOn("OK\r" + lines);
    Sheet().OnStartStopData();
    ASSERT_TRUE(Sheet().IsRunning());
    // "OK" and the five records come in one write after "UB": they wait together behind the one
    // notification that the first of them posted, none handled yet.
    ASSERT_EQ(m_owner->WaitForEvents(1).size(), 1u);  // waits without running the event loop
    Sheet().OnStartStopData();
    EXPECT_EQ(FileLines(log), expected);
}
