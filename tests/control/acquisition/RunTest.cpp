// Data runs end to end: Start and Stop with their questions, every received line in the log once
// and in order, daily and weekly files, Exit and a lost device during a run, log errors.
#include <QAbstractButton>
#include <QLabel>
#include <QTabWidget>
#include <algorithm>
#include <filesystem>

#include "AcquisitionHarness.h"
#include "control/DataLog.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"
#include "records/Records.h"
#include "settings/SettingsKey.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogWriteError = "An error occured writing to the logfile.";
constexpr int kTimeBox = 1018, kApplyButton = 1079, kSetClockButton = 1101, kPortList = 1029;

std::time_t Today() {
    return std::time(nullptr);
}

}  // namespace

class RunTest : public AcquisitionTest {
protected:
    void StartData() { Click(CCorvanePropertySheet::ID_START_DATA); }
    void StopData() { Click(CCorvanePropertySheet::ID_START_DATA); }
    // Logging on to the named file in the log folder, which the file dialog will return.
    void LogTo(const std::string& fileName, std::uint16_t length = CDataLog::kDaily) {
        StoreLogging(true, length);
        m_dialogs.chosenLogFile = QString::fromStdString((LogFolder() / fileName).string());
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
    void ExpectIdleControls() {
        EXPECT_FALSE(Sheet().IsRunning());
        EXPECT_FALSE(m_link->IsConnected());
        EXPECT_EQ(Button(CCorvanePropertySheet::ID_START_DATA)->text(), "&Start Data");
        EXPECT_TRUE(Button(CCorvanePropertySheet::ID_QUERY)->isEnabled());
        EXPECT_TRUE(Button(CCorvanePropertySheet::ID_ZERO)->isEnabled());
        EXPECT_TRUE(Control<QWidget>(&Sheet().SetupPage(), kTimeBox)->isEnabled());
        EXPECT_TRUE(Control<QWidget>(&Sheet().SetupPage(), kSetClockButton)->isEnabled());
        EXPECT_TRUE(Control<QWidget>(&Sheet().CommPage(), kPortList)->isEnabled());
        EXPECT_EQ(Sheet().Title(), "Corvane");
    }
};

TEST_F(RunTest, StartAndStopWithoutLogging) {
    Start({"--records", "DY", "--averaging", "1", "--speed", "10"});
    StartData();
    ASSERT_TRUE(Sheet().IsRunning());
    EXPECT_EQ(m_dialogs.fileDialogs, 0);
    EXPECT_EQ(Sheet().Title(), "On Com1");
    EXPECT_EQ(Button(CCorvanePropertySheet::ID_START_DATA)->text(), "&Stop Data");
    EXPECT_FALSE(Button(CCorvanePropertySheet::ID_QUERY)->isEnabled());
    EXPECT_FALSE(Button(CCorvanePropertySheet::ID_ZERO)->isEnabled());
    EXPECT_FALSE(Control<QWidget>(&Sheet().SetupPage(), kTimeBox)->isEnabled());
    EXPECT_FALSE(Control<QWidget>(&Sheet().SetupPage(), kApplyButton)->isEnabled());
    EXPECT_FALSE(Control<QWidget>(&Sheet().CommPage(), kPortList)->isEnabled());
    EXPECT_EQ(Sheet().Tabs().currentWidget(), &Sheet().DataPage());
    const std::vector<std::string> started = Commands();
    EXPECT_EQ(std::vector<std::string>(started.end() - 6, started.end()),
              (std::vector<std::string>{"RT", "RD", "RY", "RZ", "SD0", "UB"}));

    // Unpolled records reach the Data page.
    const QLabel* lastData = Control<QLabel>(&Sheet().DataPage(), 1040);
    const QString before = lastData->text();
    ASSERT_TRUE(WaitFor([&] { return lastData->text() != before; }));

    StopData();
    EXPECT_EQ(Commands().back(), "UE");
    ExpectIdleControls();
    EXPECT_TRUE(fs::is_empty(LogFolder()));
}

TEST_F(RunTest, StartWithLoggingProposesTheLastNameAndLogsEveryLineInOrder) {
    LogTo("SITE.dat");
    Start({"--records", "DTYZBGR", "--averaging", "1", "--speed", "20"});
    StartData();
    ASSERT_TRUE(Sheet().IsRunning());
    EXPECT_EQ(m_dialogs.fileDialogs, 1);
    EXPECT_EQ(m_dialogs.lastDialogFolder.toStdString(), LogFolder().string() + "/");
    EXPECT_EQ(m_dialogs.lastDialogFileName.toStdString(), CDataLog::DefaultFileName(Today()));
    EXPECT_EQ(StoredText(kValueLogPath), LogFolder().string() + "/");
    const fs::path log = LogFolder() / "SITE.dat";
    EXPECT_EQ(Sheet().Title().toStdString(), "On Com1 - Log To " + log.string());

    ASSERT_TRUE(WaitForLogLines(log, 150));
    StopData();
    const std::vector<std::string> logged = FileLines(log);
    ExpectLoggedInOrder(logged);
    for (char letter : std::string("DTYBGR")) {
        EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [&](const auto& l) { return l[0] == letter; }))
            << letter;
    }
    ExpectIdleControls();
}

TEST_F(RunTest, BurstOfThousandsOfLinesIsLoggedExactly) {
    LogTo("burst.dat");
    Start({"--burst", "5000", "--records", "D", "--averaging", "3600"});
    StartData();
    const fs::path log = LogFolder() / "burst.dat";
    ASSERT_TRUE(WaitForLogLines(log, 5000, 15000)) << FileLines(log).size();
    StopData();
    EXPECT_EQ(FileLines(log), RunLines());
}

TEST_F(RunTest, UnsavedChangesQuestion) {
    const char* question =
        "Changes were made to the settings and not saved.\r\nDo you want to save them now?";
    Start();
    QTest::mouseClick(Control<QAbstractButton>(&Sheet().SetupPage(), kTimeBox), Qt::LeftButton);

    m_dialogs.answers = {IOperatorDialogs::Answer::Cancel};
    StartData();
    EXPECT_EQ(m_dialogs.messages, QStringList({question}));
    EXPECT_TRUE(Commands().empty());
    EXPECT_FALSE(Sheet().IsRunning());
    EXPECT_FALSE(m_link->IsConnected());

    m_dialogs.answers = {IOperatorDialogs::Answer::No};
    StartData();
    ASSERT_TRUE(Sheet().IsRunning());
    EXPECT_EQ(Commands()[2], "SMB");  // straight to the load, nothing applied
    StopData();

    // Yes: the changes are applied (all eleven commands, the port closed), then the run starts.
    QTest::mouseClick(Control<QAbstractButton>(&Sheet().SetupPage(), kTimeBox), Qt::LeftButton);
    const std::size_t before = Commands().size();
    m_dialogs.answers = {IOperatorDialogs::Answer::Yes};
    StartData();
    ASSERT_TRUE(Sheet().IsRunning());
    const std::vector<std::string> sent = Commands();
    EXPECT_EQ(sent[before + 2], "SMZ1");
    EXPECT_EQ(sent[before + 12], "SMB1");
    EXPECT_EQ(std::vector<std::string>(sent.begin() + static_cast<long>(before) + 13,
                                       sent.begin() + static_cast<long>(before) + 16),
              (std::vector<std::string>{"UE", "UE", "SMB"}));
    EXPECT_EQ(Sheet().SetupPage().m_bModified, 0);
    StopData();
}

TEST_F(RunTest, InstrumentFaultQuestionAnsweredNoEndsTheStart) {
    LogTo("fault.dat");
    Start({"--status", "0003"});
    m_dialogs.answers = {IOperatorDialogs::Answer::No};
    StartData();
    EXPECT_EQ(m_dialogs.messages, QStringList({"Lamp, Valve Error(s) occured.\r\n Continue?"}));
    EXPECT_FALSE(Sheet().IsRunning());
    EXPECT_FALSE(m_link->IsConnected());
    EXPECT_EQ(Commands().back(), "RZ");
    EXPECT_EQ(Sheet().Title(), "Corvane");
}

TEST_F(RunTest, CancelledFileDialogEndsTheStart) {
    StoreLogging(true, CDataLog::kDaily);
    Start();
    StartData();
    EXPECT_EQ(m_dialogs.fileDialogs, 1);
    EXPECT_FALSE(Sheet().IsRunning());
    EXPECT_FALSE(m_link->IsConnected());
    EXPECT_EQ(Commands().back(), "STP");
}

TEST_F(RunTest, DailyFilesChangeAtTheInstrumentsMidnight) {
    LogTo("CV050920.dat");
    Start({"--clock", "2005-09-20T23:59:56", "--speed", "8", "--records", "DT", "--averaging", "1"});
    StartData();
    const fs::path before = LogFolder() / "CV050920.dat";
    const fs::path after = LogFolder() / "CV050921.dat";
    ASSERT_TRUE(WaitForLogLines(after, 6));
    EXPECT_EQ(Sheet().Title().toStdString(), "On Com1 - Log To " + after.string());
    StopData();

    const std::vector<std::string> first = FileLines(before), second = FileLines(after);
    ASSERT_FALSE(first.empty());
    for (const std::string& line : first) EXPECT_EQ(line.rfind("T,2005,09,21", 0), std::string::npos) << line;
    EXPECT_EQ(second.front().rfind("T,2005,09,21,00,00,0", 0), 0u) << second.front();
    std::vector<std::string> both = first;
    both.insert(both.end(), second.begin(), second.end());
    ExpectLoggedInOrder(both);
    EXPECT_TRUE(m_titles.contains(QString::fromStdString("On Com1 - Log To " + before.string())));
}

TEST_F(RunTest, WeeklyFileChangesOnSundayOnly) {
    // Saturday 24 September 2005, close to midnight; one record set every instrument minute.
    LogTo("CV050921.dat", CDataLog::kWeekly);
    Start({"--clock", "2005-09-24T23:57:30", "--speed", "600", "--records", "DT", "--averaging", "60"});
    StartData();
    const fs::path sunday = LogFolder() / "CV050925.dat";
    ASSERT_TRUE(WaitForLogLines(sunday, 4));
    StopData();

    const std::vector<std::string> saturday = FileLines(LogFolder() / "CV050921.dat");
    ASSERT_FALSE(saturday.empty());
    EXPECT_EQ(saturday.back().rfind("D,", 0), 0u);
    EXPECT_EQ(FileLines(sunday).front().rfind("T,2005,09,25,00,00", 0), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(LogFolder()), fs::directory_iterator()), 2);
}

TEST_F(RunTest, ExitDuringARunEndsTheInstrumentsOutput) {
    Start({"--records", "D", "--averaging", "1"});
    StartData();
    ASSERT_TRUE(Sheet().IsRunning());
    Click(CCorvanePropertySheet::ID_EXIT);
    EXPECT_TRUE(m_dialogs.messages.isEmpty());  // logging is off: no question
    EXPECT_EQ(Commands().back(), "UE");
    EXPECT_FALSE(m_link->IsConnected());
}

TEST_F(RunTest, LostDeviceEndsTheRunWithOneMessageAndAnIntactLog) {
    LogTo("lost.dat");
    Start({"--hangup-after", "60", "--records", "DTY", "--averaging", "1", "--speed", "20"});
    StartData();
    ASSERT_TRUE(Sheet().IsRunning());
    ASSERT_TRUE(WaitFor([&] { return !Sheet().IsRunning(); }));
    ASSERT_EQ(m_dialogs.messages.size(), 1);
    EXPECT_TRUE(m_dialogs.messages.front().startsWith("The connection to the instrument was lost"));
    // Every line the simulator recorded as sent is in the log, in order. (Its transcript can miss
    // the last lines of the write in which it hung up, so the log may hold a few more.)
    const std::vector<std::string> logged = FileLines(LogFolder() / "lost.dat"), sent = RunLines();
    ASSERT_GE(logged.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), logged.begin()));
    for (const std::string& line : logged) EXPECT_TRUE(IsRecordLetter(line.front())) << line;
    EXPECT_NE(Commands().back(), "UE");
    ExpectIdleControls();
}

TEST_F(RunTest, LogErrorsShowOneBoxAtATimeAndLoggingResumes) {
    const fs::path folder = LogFolder() / "station";
    fs::create_directories(folder);
    StoreLogging(true, CDataLog::kDaily);
    m_dialogs.chosenLogFile = QString::fromStdString((folder / "CV.dat").string());
    Start({"--records", "DY", "--averaging", "1", "--speed", "20"});

    // While the box is open, lines go on being handled (and failing) behind it; the operator then
    // puts the folder back and dismisses the box.
    int open = 0, deepest = 0;
    m_dialogs.onMessage = [&](const QString& text) {
        if (text != kLogWriteError) return;
        deepest = std::max(deepest, ++open);
        const std::size_t sent = m_sim->SentLines().size();
        WaitFor([&] { return m_sim->SentLines().size() >= sent + 10; });
        fs::create_directories(folder);
        --open;
    };
    StartData();
    ASSERT_TRUE(WaitForLogLines(folder / "CV.dat", 5));
    fs::remove_all(folder);
    ASSERT_TRUE(WaitFor([&] { return !m_dialogs.messages.isEmpty(); }));
    ASSERT_TRUE(WaitForLogLines(folder / "CV.dat", 5));
    StopData();

    EXPECT_EQ(m_dialogs.messages, QStringList({kLogWriteError}));
    EXPECT_EQ(deepest, 1);
    // What was written after the folder came back is the tail of what the instrument sent.
    const std::vector<std::string> resumed = FileLines(folder / "CV.dat");
    const std::vector<std::string> sent = RunLines();
    ASSERT_LE(resumed.size(), sent.size());
    const auto at = std::search(sent.begin(), sent.end(), resumed.begin(), resumed.end());
    EXPECT_NE(at, sent.end());
}
