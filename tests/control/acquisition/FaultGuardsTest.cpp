// Faults that once slipped past the other acquisition tests, each guarded by a test that fails on it at
// once: unwritable settings, and the lines around the start and the stop of a run (against a scripted
// instrument, so that they arrive exactly where they must).
#include <QLabel>
#include <map>

#include "SerialTestSupport.h"
#include "SheetHarness.h"
#include "pages/DataPage.h"

using SettingsGuardTest = SheetTest;

// Settings that can be read but no longer written (the new values file cannot be made): the Apply and
// the start of a run each give one box and go on.
TEST_F(SettingsGuardTest, UnwritableSettingsGiveOneBoxAndTheApplyAndTheRunGoOn) {
    const fs::path log = LogTo("run.dat");
    const QString valuesFile = QString::fromStdString(CSettingsKey::ValuesFilePath(kProductKeyPath));
    fs::create_directories(valuesFile.toStdString() + ".new");
    const QStringList notSaved(QStringLiteral("The settings could not be saved to the settings file\r\n%1\r\n"
                                              "They stay in use until the program ends.")
                                   .arg(valuesFile));
    Start({"--records", "D", "--averaging", "1", "--speed", "10"});
    QueryOn(&Sheet().SetupPage());
    ClickSetup(SetupPageId::TimeRecords);
    const std::size_t loaded = Commands().size();
    ClickSetup(SetupPageId::ApplyChanges);
    EXPECT_EQ(m_dialogs.messages, notSaved);
    EXPECT_EQ(Commands(loaded).size(), 13u);  // the handshake and all eleven settings
    EXPECT_FALSE(m_link->IsConnected());

    m_dialogs.messages.clear();
    Click(CCorvanePropertySheet::ID_START_DATA);
    ASSERT_TRUE(WaitForSettledRun());
    EXPECT_EQ(m_dialogs.messages, notSaved);
    EXPECT_TRUE(Sheet().IsRunning());
    EXPECT_TRUE(WaitFor([&] { return !FileLines(log).empty(); }));
}

// The window on a scripted instrument that answers every command at once, "UB" with the given
// bytes; only the commands of a run wait out their time-out, as their "OK" comes as a line. Its
// clock gives no time, so a log keeps the file chosen today.
class RunEdgeGuardTest : public SheetTest {
protected:
    void StartOn(const std::string& startReply) {
        std::map<std::string, std::string> replies = {
            {"SMB", "0\r"},   {"SMZ", "1\r"},  {"UD", "1\r"},   {"UT", "0\r"},    {"UP", "0\r"},
            {"UY", "0\r"},    {"UZ", "0\r"},   {"STA", "60\r"}, {"STB", "60\r"},  {"STZ", "300\r"},
            {"STP", "3600\r"}, {"SD0", "OK\r"}, {"RT", "ERROR\r"},
            {"RD", "D,N,100,0.5,2.2,3.3,4.4,5.5,6.6\r"}, {"RY", "Y,0,1013,300,295,45,0,0,0000\r"},
            {"RZ", "Z,1,2,3,4,5,6,7,8,9\r"}, {"UB", startReply}};
        m_instrument = std::make_unique<FakeInstrument>(Answers(std::move(replies)));
        fs::create_symlink(m_instrument->DevicePath(), DeviceDir() + "/COM1");
        OpenWindowOn(DeviceDir());
    }
    void TearDown() override {
        SheetTest::TearDown();
        m_instrument.reset();
    }
    std::unique_ptr<FakeInstrument> m_instrument;
};

TEST_F(RunEdgeGuardTest, RecordSentWithTheStartReplyIsShownNotTakenForTheReply) {
    StartOn("D,N,100,4.25,2.2,3.3,4.4,5.5,6.6\rOK\r");
    Sheet().OnStartStopData();
    const QLabel* blue = Control<QLabel>(&Sheet().DataPage(), DataPageId::ScatteringBlue);
    EXPECT_TRUE(WaitFor([&] { return blue->text() == "4.25"; }, 2000)) << blue->text().toStdString();
}

TEST_F(RunEdgeGuardTest, LinesReceivedButNotHandledWhenStopIsPressedAreAllLogged) {
    const fs::path log = LogTo("stop.dat");
    std::string lines;
    std::vector<std::string> expected;
    for (int i = 1; i <= 5; ++i) {
        expected.push_back("D,N,100," + std::to_string(i) + ",2,3,4,5,6");
        lines += expected.back() + "\r";
    }
    StartOn("OK\r" + lines);
    Sheet().OnStartStopData();
    // "OK" and the five records come in one write with the reply to "UB", while the start still
    // waits out that command; Stop at once after it ends leaves them to the run's end.
    ASSERT_TRUE(WaitFor([&] { return m_core->State() != RunState::Starting; }, 5000));
    Sheet().OnStartStopData();
    ASSERT_TRUE(WaitForSettledRun());
    EXPECT_EQ(FileLines(log), expected);
}
