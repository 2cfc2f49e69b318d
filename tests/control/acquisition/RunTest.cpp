// Data runs end to end: Start and Stop with their questions, every received line in the log once
// and in order, daily and weekly files, Exit and a lost device during a run, log errors.
#include <QLabel>
#include <QTabWidget>
#include <algorithm>

#include "AcquisitionHarness.h"
#include "control/DataLog.h"
#include "pages/CommPageIds.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"

using Answer = IOperatorDialogs::Answer;

class RunTest : public AcquisitionTest {
protected:
    void StartStop() { Click(CCorvanePropertySheet::ID_START_DATA); }
    // Logging on to the named file in the log folder, which the file dialog will return.
    fs::path LogTo(const std::string& fileName, std::uint16_t length = CDataLog::kDaily) {
        StoreLogging(length);
        m_dialogs.chosenLogFile = QString::fromStdString((LogFolder() / fileName).string());
        return LogFolder() / fileName;
    }
    bool WaitForLogLines(const fs::path& path, std::size_t count, int timeoutMs = 5000) {
        return WaitFor([&] { return FileLines(path).size() >= count; }, timeoutMs);
    }
    // The log must hold the lines the simulator sent during the run, each once and in order; the
    // last few may still have been on their way when the run stopped.
    void ExpectLoggedInOrder(const std::vector<std::string>& logged) {
        const std::vector<std::string> sent = RunLines();
        ASSERT_LE(logged.size(), sent.size());
        EXPECT_TRUE(std::equal(logged.begin(), logged.end(), sent.begin()));
    }
    // The run's state as the operator sees it: the Start button's caption and what a run disables.
    void ExpectRunning(bool running) {
        EXPECT_EQ(m_link->IsConnected(), running);
        EXPECT_EQ(Button(CCorvanePropertySheet::ID_START_DATA)->text(), running ? "&Stop Data" : "&Start Data");
        for (QWidget* control : {static_cast<QWidget*>(Button(CCorvanePropertySheet::ID_QUERY)),
                                 Control(&Sheet().SetupPage(), SetupPageId::TimeRecords), Control(&Sheet().CommPage(), CommPageId::Ports)})
            EXPECT_EQ(control->isEnabled(), !running) << control->objectName().toStdString();
    }
};

TEST_F(RunTest, StartStopAndExitWithoutLogging) {
    Start({"--records", "DY", "--averaging", "1", "--speed", "10"});
    StartStop();
    ExpectRunning(true);
    EXPECT_EQ(m_dialogs.fileDialogs, 0);
    EXPECT_EQ(Sheet().Title(), "On Com1");
    EXPECT_EQ(Sheet().Tabs().currentWidget(), &Sheet().DataPage());
    const CommandList started = Commands();
    EXPECT_EQ(CommandList(started.end() - 6, started.end()), CommandList({"RT", "RD", "RY", "RZ", "SD0", "UB"}));
    // Unpolled records reach the Data page.
    const QLabel* lastData = Control<QLabel>(&Sheet().DataPage(), DataPageId::ScatteringBlue);
    const QString before = lastData->text();
    ASSERT_TRUE(WaitFor([&] { return lastData->text() != before; }));

    StartStop();
    EXPECT_EQ(Commands().back(), "UE");
    ExpectRunning(false);
    EXPECT_TRUE(fs::is_empty(LogFolder()));

    // Exit during a run ends the instrument's output without a question (logging is off).
    StartStop();
    Click(CCorvanePropertySheet::ID_EXIT);
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_EQ(Commands().back(), "UE");
    EXPECT_FALSE(m_link->IsConnected());
}

TEST_F(RunTest, LoggedRunProposesTheNameLogsEveryLineOnceInOrderAndAsksBeforeExit) {
    const fs::path log = LogTo("SITE.dat");
    // A burst of thousands of lines at full line speed first, then every kind of record.
    Start({"--burst", "3000", "--records", "DTYZBGR", "--averaging", "1", "--speed", "20"});
    StartStop();
    EXPECT_EQ(m_dialogs.lastDialogFolder.toStdString(), LogFolder().string() + "/");
    EXPECT_EQ(m_dialogs.lastDialogFileName.toStdString(), CDataLog::DefaultFileName(std::time(nullptr)));
    EXPECT_EQ(Sheet().Title().toStdString(), "On Com1 - Log To " + log.string());
    ASSERT_TRUE(WaitForLogLines(log, 3150, 15000)) << FileLines(log).size();

    // Closing asks first; Cancel keeps the run going, Exit then OK ends it on the instrument.
    m_dialogs.answers = {Answer::Cancel};
    EXPECT_FALSE(Sheet().close());
    ExpectRunning(true);
    Click(CCorvanePropertySheet::ID_EXIT);
    EXPECT_EQ(m_dialogs.messages,
              QStringList(2, "The program is currently logging data.\n\rYou are sure you want to exit?"));
    EXPECT_FALSE(Sheet().isVisible() || m_link->IsConnected());
    EXPECT_TRUE(WaitFor([&] { return Commands().back() == "UE"; }));

    const std::vector<std::string> logged = FileLines(log);
    ExpectLoggedInOrder(logged);
    for (char letter : std::string("DTYBGR"))
        EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [&](const auto& l) { return l[0] == letter; })) << letter;
}

TEST_F(RunTest, UnsavedChangesQuestion) {
    Start();
    ClickSetup(SetupPageId::TimeRecords);
    m_dialogs.answers = {Answer::Cancel};
    StartStop();
    EXPECT_EQ(m_dialogs.messages,
              QStringList("Changes were made to the settings and not saved.\r\nDo you want to save them now?"));
    EXPECT_TRUE(Commands().empty());
    ExpectRunning(false);

    m_dialogs.answers = {Answer::No};
    StartStop();
    EXPECT_EQ(Commands()[2], "SMB");  // straight to the load, nothing applied
    StartStop();

    // Yes: the changes are applied (all eleven commands, the port closed), then the run starts.
    ClickSetup(SetupPageId::TimeRecords);
    const std::size_t before = Commands().size();
    m_dialogs.answers = {Answer::Yes};
    StartStop();
    const CommandList sent = Commands(before);
    ASSERT_GE(sent.size(), 16u);
    EXPECT_EQ(sent[2], "SMZ1");
    EXPECT_EQ(CommandList(sent.begin() + 12, sent.begin() + 16), CommandList({"SMB1", "UE", "UE", "SMB"}));
    ExpectRunning(true);
    EXPECT_EQ(Sheet().SetupPage().m_bModified, 0);
}

TEST_F(RunTest, CancelledFileDialogOrFaultQuestionAnsweredNoEndsTheStart) {
    StoreLogging(CDataLog::kDaily);
    Start({"--status", "0003"});
    StartStop();  // the file dialog returns nothing
    EXPECT_EQ(Commands().back(), "STP");
    ExpectRunning(false);

    LogTo("fault.dat");
    m_dialogs.answers = {Answer::No};
    StartStop();
    EXPECT_EQ(m_dialogs.messages, QStringList({"Lamp, Valve Error(s) occured.\r\n Continue?"}));
    EXPECT_EQ(Commands().back(), "RZ");
    ExpectRunning(false);
}

TEST_F(RunTest, DailyFilesChangeAtTheInstrumentsMidnight) {
    const fs::path before = LogTo("CV050920.dat"), after = LogFolder() / "CV050921.dat";
    Start({"--clock", "2005-09-20T23:59:56", "--speed", "8", "--records", "DT", "--averaging", "1"});
    StartStop();
    ASSERT_TRUE(WaitForLogLines(after, 6));
    EXPECT_EQ(Sheet().Title().toStdString(), "On Com1 - Log To " + after.string());
    StartStop();

    std::vector<std::string> both = FileLines(before);
    const std::vector<std::string> second = FileLines(after);
    ASSERT_FALSE(both.empty());
    for (const std::string& line : both) EXPECT_FALSE(line.starts_with("T,2005,09,21")) << line;
    EXPECT_TRUE(second.front().starts_with("T,2005,09,21,00,00,0")) << second.front();
    both.insert(both.end(), second.begin(), second.end());
    ExpectLoggedInOrder(both);
}

TEST_F(RunTest, WeeklyFileChangesOnSundayOnly) {
    // Saturday 24 September 2005, close to midnight; one record set every instrument minute.
    const fs::path saturday = LogTo("CV050921.dat", CDataLog::kWeekly), sunday = LogFolder() / "CV050925.dat";
    Start({"--clock", "2005-09-24T23:57:30", "--speed", "600", "--records", "DT", "--averaging", "60"});
    StartStop();
    ASSERT_TRUE(WaitForLogLines(sunday, 4));
    StartStop();
    ASSERT_FALSE(FileLines(saturday).empty());
    EXPECT_TRUE(FileLines(saturday).back().starts_with("D,"));
    EXPECT_TRUE(FileLines(sunday).front().starts_with("T,2005,09,25,00,00"));
    EXPECT_EQ(std::distance(fs::directory_iterator(LogFolder()), fs::directory_iterator()), 2);
}

TEST_F(RunTest, LostDeviceEndsTheRunWithOneMessageAndAnIntactLog) {
    const fs::path log = LogTo("lost.dat");
    Start({"--hangup-after", "60", "--records", "DTY", "--averaging", "1", "--speed", "20"});
    StartStop();
    ASSERT_TRUE(Sheet().IsRunning());
    ASSERT_TRUE(WaitFor([&] { return !Sheet().IsRunning(); }));
    ASSERT_EQ(m_dialogs.messages.size(), 1);
    EXPECT_TRUE(m_dialogs.messages.front().startsWith("The connection to the instrument was lost"));
    // Every line the simulator recorded as sent is in the log, in order. (Its transcript can miss
    // the last lines of the write in which it hung up, so the log may hold a few more.)
    const std::vector<std::string> logged = FileLines(log), sent = RunLines();
    ASSERT_GE(logged.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), logged.begin()));
    for (const std::string& line : logged) EXPECT_TRUE(IsRecordLetter(line.front())) << line;
    ExpectRunning(false);
}

TEST_F(RunTest, LogErrorsShowOneBoxAtATimeAndLoggingResumes) {
    const char* error = "An error occured writing to the logfile.";
    const fs::path folder = LogFolder() / "station";
    fs::create_directories(folder);
    const fs::path log = LogTo("station/CV.dat");
    Start({"--records", "DY", "--averaging", "1", "--speed", "20"});

    // While the box is open, lines go on being handled (and failing) behind it; the operator then
    // puts the folder back and dismisses the box.
    int open = 0, deepest = 0;
    m_dialogs.onMessage = [&](const QString& text) {
        if (text != error) return;
        deepest = std::max(deepest, ++open);
        const std::size_t sent = m_sim->SentLines().size();
        WaitFor([&] { return m_sim->SentLines().size() >= sent + 10; });
        fs::create_directories(folder);
        --open;
    };
    StartStop();
    ASSERT_TRUE(WaitForLogLines(log, 5));
    fs::remove_all(folder);
    ASSERT_TRUE(WaitFor([&] { return !m_dialogs.messages.isEmpty(); }));
    ASSERT_TRUE(WaitForLogLines(log, 5));
    StartStop();

    EXPECT_EQ(m_dialogs.messages, QStringList({error}));
    EXPECT_EQ(deepest, 1);
    // What was written after the folder came back is the tail of what the instrument sent.
    const std::vector<std::string> resumed = FileLines(log), sent = RunLines();
    ASSERT_LE(resumed.size(), sent.size());
    EXPECT_NE(std::search(sent.begin(), sent.end(), resumed.begin(), resumed.end()), sent.end());
}
