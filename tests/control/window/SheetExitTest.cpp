// Leaving the program during a run: the question while the run is logged, and the shut-down that
// ends the run on the instrument, once.
#include <algorithm>
#include <fstream>

#include "SheetFixture.h"
#include "SimProcess.h"
#include "settings/SettingsKey.h"

class ExitDuringRunTest : public SheetTest {
protected:
    // The simulator as Com port 1, logging stored on or off, the window on it, and a run started.
    void StartRun(bool logging) {
        {
            CSettingsKey key;
            ASSERT_TRUE(key.Open(kProductKeyPath, false));
            key.WriteDword(kValueLogEnable, logging ? 1 : 0);
            key.WriteWord(kValueLogLength, 0);
        }
        // Records every tenth of a second, so that a run soon has lines to log.
        m_sim = std::make_unique<SimProcess>(std::vector<std::string>{"--averaging", "1", "--speed", "10"}, 1,
                                             DeviceDir());
        Make();
        m_dialogs.chosenLogFile = m_devices.filePath("run.dat");
        QTest::mouseClick(Button(CCorvanePropertySheet::ID_START_DATA), Qt::LeftButton);
        ASSERT_TRUE(Sheet().IsRunning());
    }

    // How often "UE" was received since the run began with "UB".
    long EndsSinceRunStart() const {
        const std::vector<std::string> commands = m_sim->ReceivedCommands();
        const auto start = std::find(commands.rbegin(), commands.rend(), "UB");
        return start == commands.rend() ? -1 : std::count(commands.rbegin(), start, "UE");
    }

    std::unique_ptr<SimProcess> m_sim;
};

TEST_F(ExitDuringRunTest, LoggedRunAsksBeforeClosingAndCancelKeepsItGoing) {
    StartRun(true);
    const std::string logFile = m_dialogs.chosenLogFile.toStdString();
    EXPECT_EQ(Sheet().windowTitle().toStdString(), "On Com1 - Log To " + logFile);
    // The records reach the window through the link's notifications and are logged.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        std::ifstream in(logFile);
        return std::count(std::istreambuf_iterator<char>(in), {}, '\n') >= 3;
    }));

    m_dialogs.answers = {IOperatorDialogs::Answer::Cancel};
    EXPECT_FALSE(Sheet().close());
    EXPECT_EQ(m_dialogs.messages,
              QStringList{"The program is currently logging data.\n\rYou are sure you want to exit?"});
    EXPECT_TRUE(Sheet().isVisible() && Sheet().IsRunning() && m_link.IsConnected());
    EXPECT_EQ(EndsSinceRunStart(), 0);

    // OK: the run ends on the instrument and the port closes.
    QTest::mouseClick(Button(CCorvanePropertySheet::ID_EXIT), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.messages.size(), 2);
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_FALSE(m_link.IsConnected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return EndsSinceRunStart() == 1; }));
    EXPECT_EQ(m_sim->ReceivedCommands().back(), "UE");
}

TEST_F(ExitDuringRunTest, DestroyingTheWindowDuringAnUnloggedRunEndsItOnTheInstrument) {
    StartRun(false);
    EXPECT_EQ(Sheet().windowTitle(), "On Com1");
    m_sheet.reset();
    EXPECT_FALSE(m_link.IsConnected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return EndsSinceRunStart() == 1; }));
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}
