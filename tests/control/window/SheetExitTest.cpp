// Leaving the program: Exit and the caption's close button, the question while a run is logged,
// and the shut-down that ends a run on the instrument, once.
#include <QTest>
#include <algorithm>
#include <fstream>

#include "SheetFixture.h"
#include "SimProcess.h"
#include "settings/SettingsKey.h"

namespace {

const char* const kExitQuestion = "The program is currently logging data.\n\rYou are sure you want to exit?";

// How often a command was received after the run began with "UB".
long CountAfterRunStart(const std::vector<std::string>& commands, const std::string& command) {
    const auto start = std::find(commands.rbegin(), commands.rend(), "UB");
    if (start == commands.rend()) return -1;
    return std::count(commands.rbegin(), start, command);
}

}  // namespace

class ExitDuringRunTest : public SheetTest {
protected:
    // The simulator as Com port 1 with logging stored on or off, and the window on it.
    void StartWithInstrument(bool logging) {
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
    }

    void StartRun() {
        QTest::mouseClick(Button(CCorvanePropertySheet::ID_START_DATA), Qt::LeftButton);
        ASSERT_TRUE(Sheet().IsRunning());
    }

    std::vector<std::string> Commands() const { return m_sim->ReceivedCommands(); }

    std::unique_ptr<SimProcess> m_sim;
};

TEST_F(SheetTest, ExitAndTheCloseButtonCloseAtOnceWithoutARun) {
    for (bool closeButton : {false, true}) {
        SCOPED_TRACE(closeButton ? "close button" : "Exit");
        Make();
        if (closeButton)
            EXPECT_TRUE(Sheet().close());
        else
            QTest::mouseClick(Button(CCorvanePropertySheet::ID_EXIT), Qt::LeftButton);
        EXPECT_FALSE(Sheet().isVisible());
        EXPECT_EQ(Sheet().result(), 0);
        EXPECT_TRUE(m_dialogs.messages.isEmpty());
    }
}

TEST_F(ExitDuringRunTest, LoggedRunAsksBeforeClosingAndCancelKeepsItGoing) {
    StartWithInstrument(true);
    StartRun();
    const std::string logFile = m_dialogs.chosenLogFile.toStdString();
    EXPECT_EQ(Sheet().windowTitle().toStdString(), "On Com1 - Log To " + logFile);
    // The records reach the window through the link's notifications and are logged.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        std::ifstream in(logFile);
        return std::count(std::istreambuf_iterator<char>(in), {}, '\n') >= 3;
    }));

    m_dialogs.answers = {IOperatorDialogs::Answer::Cancel};
    EXPECT_FALSE(Sheet().close());
    EXPECT_EQ(m_dialogs.messages, QStringList{kExitQuestion});
    EXPECT_TRUE(Sheet().isVisible());
    EXPECT_TRUE(Sheet().IsRunning());
    EXPECT_TRUE(m_link.IsConnected());
    EXPECT_EQ(CountAfterRunStart(Commands(), "UE"), 0);

    // OK: the run ends on the instrument and the port closes.
    QTest::mouseClick(Button(CCorvanePropertySheet::ID_EXIT), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.messages.size(), 2);
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_FALSE(m_link.IsConnected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountAfterRunStart(Commands(), "UE") == 1; }));
    EXPECT_EQ(Commands().back(), "UE");
}

TEST_F(ExitDuringRunTest, UnloggedRunEndsOnTheInstrumentWithoutAQuestion) {
    StartWithInstrument(false);
    StartRun();
    EXPECT_EQ(Sheet().windowTitle(), "On Com1");

    QTest::mouseClick(Button(CCorvanePropertySheet::ID_EXIT), Qt::LeftButton);
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_FALSE(m_link.IsConnected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountAfterRunStart(Commands(), "UE") == 1; }));
}

TEST_F(ExitDuringRunTest, DestroyingTheWindowDuringARunEndsItOnTheInstrument) {
    StartWithInstrument(false);
    StartRun();
    m_sheet.reset();
    EXPECT_FALSE(m_link.IsConnected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountAfterRunStart(Commands(), "UE") == 1; }));
}

TEST_F(ExitDuringRunTest, CaptionFollowsThePort) {
    StartWithInstrument(false);
    EXPECT_EQ(Sheet().windowTitle(), "Corvane");
    ASSERT_EQ(m_link.OpenPort(1, 9600), CSerialLink::kOpenOk);
    Sheet().UpdateTitle();
    EXPECT_EQ(Sheet().windowTitle(), "On Com1");
    EXPECT_EQ(Sheet().Title(), "On Com1");
    m_link.ClosePort();
    Sheet().UpdateTitle();
    EXPECT_EQ(Sheet().windowTitle(), "Corvane");
}
