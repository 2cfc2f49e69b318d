// Data runs end to end: Start and Stop with their questions, every received line in the log once
// and in order, daily files (midnight inside one backlog of lines) and weekly files, durable writes,
// Exit, log errors; a run that waits for a lost or silent instrument and goes on.
#include <fcntl.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

#include "SheetHarness.h"
#include "pages/CommPageIds.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"

using Answer = IOperatorDialogs::Answer;

// Waits that span a loss, a return or a restart of the instrument, on a machine that may be busy.
constexpr int kLongWaitMs = 20000;

class RunTest : public SheetTest {
protected:
    // Start Data or Stop Data, and the run settled after it.
    void StartStop() {
        Click(CCorvanePropertySheet::ID_START_DATA);
        EXPECT_TRUE(WaitForSettledRun());
    }
    // A run logging to the named file, on the simulator started with these options, the recovery fast.
    fs::path StartLoggedRun(const std::string& fileName, const std::vector<std::string>& simOptions,
                            std::uint16_t length = CDataLog::kDaily) {
        const fs::path log = LogTo(fileName, length);
        Start(simOptions);
        FastRecovery();
        StartStop();
        return log;
    }
    bool WaitForLogLines(const fs::path& path, std::size_t count, int timeoutMs = 5000) {
        return WaitFor([&] { return FileLines(path).size() >= count; }, timeoutMs);
    }
    // After the run's end: the files, one after the other, hold every line the simulator sent
    // unpolled, once and in order. Its transcript follows a line's sending, so it is waited for.
    bool EveryLineLoggedIn(const std::vector<fs::path>& files) {
        const auto logged = [&] {
            std::vector<std::string> lines;
            for (const fs::path& file : files) std::ranges::copy(FileLines(file), std::back_inserter(lines));
            return lines;
        };
        return WaitFor([&] { return !Commands().empty() && Commands().back() == "UE"; }) &&
               WaitFor([&] { return logged() == m_sim->UnpolledRecordLines(); });
    }
    // Points the stable name at the simulator's present device, as udev does for a USB adapter.
    void PointAtTheSimulator(const fs::path& stableName) {
        fs::remove(stableName);
        fs::create_symlink(fs::canonical(m_sim->DevicePath()), stableName);
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

TEST_F(RunTest, LoggedRunProposesTheNameLogsEveryLineOnceInOrderAndAsksBeforeExit) {
    const fs::path log = LogTo("SITE.dat");
    // A burst of thousands of lines at full line speed first, then every kind of record.
    Start({"--burst", "3000", "--records", "DTYZBGR", "--averaging", "1", "--speed", "20"});
    StartStop();
    EXPECT_EQ(m_dialogs.lastDialogFolder.toStdString(), LogFolder().string() + "/");
    EXPECT_EQ(m_dialogs.lastDialogFileName.toStdString(), CDataLog::DefaultFileName(std::time(nullptr)));
    EXPECT_EQ(Sheet().Title().toStdString(), "On Com1 - Log To " + log.string());
    ASSERT_TRUE(WaitForLogLines(log, 3150, 15000));
    // The instrument's clock runs twenty times as fast as the PC's: the status light's tooltip says so.
    const QLabel* light = Sheet().DataPage().findChild<QLabel*>(ControlName(DataPageId::StatusLight));
    EXPECT_TRUE(light->toolTip().contains(" ahead of the PC's")) << light->toolTip().toStdString();

    // Closing asks first; Cancel keeps the run going, Exit then OK ends it on the instrument.
    m_dialogs.answers = {Answer::Cancel};
    EXPECT_FALSE(Sheet().close());
    ExpectRunning(true);
    Click(CCorvanePropertySheet::ID_EXIT);
    EXPECT_EQ(m_dialogs.messages,
              QStringList(2, "The program is currently logging data.\n\rYou are sure you want to exit?"));
    EXPECT_FALSE(Sheet().isVisible() || m_link->IsConnected());
    EXPECT_TRUE(EveryLineLoggedIn({log}));
}

TEST_F(RunTest, UnsavedChangesQuestionThenStartStopAndExitWithoutLogging) {
    Start();
    ClickSetup(SetupPageId::TimeRecords);
    m_dialogs.answers = {Answer::Cancel};
    StartStop();
    const QStringList question("Changes were made to the settings and not saved.\r\nDo you want to save them now?");
    EXPECT_EQ(m_dialogs.messages, question);
    EXPECT_TRUE(Commands().empty());
    ExpectRunning(false);

    m_dialogs.answers = {Answer::No};
    StartStop();
    EXPECT_EQ(Commands()[2], "SMB");  // straight to the load, nothing applied
    ExpectRunning(true);
    EXPECT_EQ(m_dialogs.fileDialogs, 0);
    EXPECT_EQ(Sheet().Title(), "On Com1");
    EXPECT_EQ(Sheet().Tabs().currentWidget(), &Sheet().DataPage());
    const CommandList started = Commands();
    EXPECT_EQ(CommandList(started.end() - 6, started.end()), CommandList({"RT", "RD", "RY", "RZ", "SD0", "UB"}));
    StartStop();
    EXPECT_EQ(Commands().back(), "UE");
    ExpectRunning(false);
    EXPECT_TRUE(fs::is_empty(LogFolder()));

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
    EXPECT_FALSE(Sheet().SetupPage().m_bModified);

    // Exit during a run ends the instrument's output without a question (logging is off).
    Click(CCorvanePropertySheet::ID_EXIT);
    EXPECT_EQ(m_dialogs.messages, QStringList(3, question.front()));  // Cancel, No and Yes
    EXPECT_EQ(Commands().back(), "UE");
    EXPECT_FALSE(m_link->IsConnected());
}

TEST_F(RunTest, DecliningTheFileOrTheFaultsOrAStopSignalDuringTheQuestionAbandonsTheStart) {
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

    // The signal comes while the question is open; the box then returns Yes as if answered.
    m_dialogs.onMessage = [&](const QString&) { Sheet().StopForSignal("SIGTERM"); };
    StartStop();
    EXPECT_FALSE(Sheet().isVisible() || Sheet().IsRunning() || m_link->IsConnected());
    const CommandList commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "UB"), 0);
    EXPECT_FALSE(Journaled("run-started"));
}

TEST_F(RunTest, PortThatRefusesItsLineSettingsIsReportedAndLeftClosed) {
    Start({"--records", "DY"});
    // XON/XOFF locked off on the device: the instrument answers, the line settings do not hold.
    const int device = open(fs::canonical(m_sim->DevicePath()).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(device, 0);
    termios locked{};
    locked.c_iflag = IXON;
    const bool bLocked = ioctl(device, TIOCSLCKTRMIOS, &locked) == 0;
    close(device);
    if (!bLocked) GTEST_SKIP() << "locking a terminal's settings needs CAP_SYS_ADMIN";
    StartStop();
    EXPECT_EQ(m_dialogs.messages, QStringList("Unknown Error from this comm port"));
    ExpectRunning(false);
    StartStop();  // the port can be opened again, with the same result
    EXPECT_EQ(m_dialogs.messages.size(), 2);
    EXPECT_EQ(Commands(), CommandList(4, "UE"));
}

TEST_F(RunTest, MidnightInsideOneBacklogStartsTheNewFileAtItsLineAndStopSyncs) {
    const fs::path before = StartLoggedRun("CV050920.dat", {"--clock", "2005-09-20T23:59:52", "--speed", "4",
                                                            "--records", "DT", "--averaging", "1"});
    const fs::path after = LogFolder() / "CV050921.dat";
    // Every sync with the file's name and size at that moment; syncs also come from the sync thread.
    std::mutex syncLock;
    std::vector<std::pair<std::string, std::uintmax_t>> synced;
    m_core->Log().SetFileCalls({[&](int fd) {
                                    const fs::path file = fs::read_symlink("/proc/self/fd/" + std::to_string(fd));
                                    const std::lock_guard lock(syncLock);
                                    synced.emplace_back(file.filename(), fs::file_size(file));
                                    return fdatasync(fd);
                                },
                                close});
    const auto syncedWhole = [&](const fs::path& file) {
        const std::lock_guard lock(syncLock);
        return std::find(synced.begin(), synced.end(), std::pair{file.filename().string(), fs::file_size(file)}) !=
               synced.end();
    };
    const auto sent = [&](const std::string& prefix) {
        const std::vector<std::string> lines = m_sim->SentLines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
    };
    ASSERT_TRUE(WaitForLogLines(before, 1));
    ASSERT_FALSE(sent("T,2005,09,21")) << "midnight came before the run had started";

    // The window busy across midnight: the lines wait in the link and come in one notification.
    const auto busyUntil = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!sent("T,2005,09,21,00,00,01") && std::chrono::steady_clock::now() < busyUntil)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(WaitForLogLines(after, 2));
    EXPECT_TRUE(WaitFor([&] { return Sheet().Title().toStdString() == "On Com1 - Log To " + after.string(); }))
        << Sheet().Title().toStdString();
    // The file left behind is synced at once with all it holds; the new one at Stop at the latest.
    EXPECT_TRUE(syncedWhole(before));
    StartStop();
    EXPECT_TRUE(syncedWhole(after));
    EXPECT_FALSE(m_core->Log().SyncDeadline());

    EXPECT_EQ(FileLines(after).front(), "T,2005,09,21,00,00,00");
    EXPECT_TRUE(EveryLineLoggedIn({before, after}));
}

TEST_F(RunTest, WeeklyFileChangesOnSundayOnly) {
    // Saturday 24 September 2005, half a real second before midnight; one record set every
    // instrument minute.
    const fs::path saturday = StartLoggedRun(
        "CV050921.dat",
        {"--clock", "2005-09-24T23:55:00", "--speed", "600", "--records", "DT", "--averaging", "60"},
        CDataLog::kWeekly);
    const fs::path sunday = LogFolder() / "CV050925.dat";
    ASSERT_TRUE(WaitForLogLines(sunday, 4));
    StartStop();
    ASSERT_FALSE(FileLines(saturday).empty());
    EXPECT_TRUE(FileLines(saturday).back().starts_with("D,"));
    EXPECT_TRUE(FileLines(sunday).front().starts_with("T,2005,09,25,00,00"));
    EXPECT_EQ(std::distance(fs::directory_iterator(LogFolder()), fs::directory_iterator()), 2);
}

TEST_F(RunTest, LostInstrumentIsWaitedForWithoutABoxAndFoundAgainUnderItsStableName) {
    const fs::path log = LogTo("lost.dat");
    Start({"--records", "DTY", "--averaging", "1", "--speed", "20", "--vanish-for", "1"});
    // Com1 reaches the instrument only through the mapping file's stable name, as a USB adapter does.
    const fs::path byId = m_folder / "by-id" / "usb-Nephelometer-if00-port0";
    fs::create_directories(byId.parent_path());
    PointAtTheSimulator(byId);
    fs::create_directories(m_folder / "config" / "corvane");
    std::ofstream(m_folder / "config" / "corvane" / "ports.conf") << "COM1=" << byId.string() << "\n";
    unsetenv("CORVANE_DEVICE_DIR");
    NewSheet();
    FastRecovery();
    StartStop();
    ASSERT_TRUE(WaitForLogLines(log, 10, kLongWaitMs));
    // The stable name goes with the device, as udev removes it. Left behind, it would name whatever
    // pseudo-terminal is given the freed number next, another test's simulator among them.
    fs::remove(byId);
    m_sim->Vanish();
    ASSERT_TRUE(WaitFor([&] { return Sheet().IsWaitingForInstrument(); }, kLongWaitMs));
    // The run waits, as the operator sees it, and the port is tried again (and fails) meanwhile.
    EXPECT_TRUE(Sheet().IsRunning());
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_EQ(Sheet().Title().toStdString(), "On Com1 - Log To " + log.string() + " - Reconnecting");
    const QString status = Control<QLineEdit>(&Sheet().DataPage(), DataPageId::StatusText)->text();
    EXPECT_TRUE(QRegularExpression("^No instrument since \\d\\d:\\d\\d:\\d\\d$").match(status).hasMatch())
        << status.toStdString();
    ASSERT_TRUE(WaitFor([&] { return m_core->Status().reconnectTries >= 2; }, kLongWaitMs));

    // Back as another device, in polled mode: the stable name is pointed at it, and the instrument
    // part of the start runs again.
    ASSERT_TRUE(m_sim->WaitForEvent("published", 2));
    PointAtTheSimulator(byId);
    ASSERT_TRUE(WaitFor([&] { return m_core->State() == RunState::Running; }, kLongWaitMs));
    const CommandList commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "UB"), 2);
    EXPECT_EQ(Sheet().Title().toStdString(), "On Com1 - Log To " + log.string());
    EXPECT_FALSE(Control<QLineEdit>(&Sheet().DataPage(), DataPageId::StatusText)->text().startsWith("No instrument"));
    const std::size_t before = FileLines(log).size();
    ASSERT_TRUE(WaitForLogLines(log, before + 6, kLongWaitMs));

    // Every line sent before the loss and after the return is in the one file, once and in order.
    StartStop();
    EXPECT_TRUE(EveryLineLoggedIn({log}));
    EXPECT_EQ(std::distance(fs::directory_iterator(LogFolder()), fs::directory_iterator()), 1);
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}

TEST_F(RunTest, StopOrExitWhileWaitingEndsTheRunAtOnceAndTheNextStartWorks) {
    StartLoggedRun("wait.dat", {"--records", "DY", "--averaging", "1", "--speed", "20", "--vanish-for", "2"});
    const auto lose = [&] {
        m_sim->Vanish();
        return WaitFor([&] { return Sheet().IsWaitingForInstrument(); }, kLongWaitMs);
    };
    ASSERT_TRUE(lose());
    QElapsedTimer stopping;
    stopping.start();
    StartStop();
    EXPECT_LT(stopping.elapsed(), 500);
    ExpectRunning(false);
    EXPECT_EQ(Sheet().Title(), "Corvane");
    EXPECT_FALSE(Sheet().IsWaitingForInstrument());
    EXPECT_TRUE(Journaled("run-stopped by the operator while waiting for the instrument"));
    ASSERT_TRUE(m_sim->WaitForEvent("published", 2));
    StartStop();
    ExpectRunning(true);

    // Lost again: Exit asks, then closes at once and sends nothing to the instrument once it is back.
    ASSERT_TRUE(lose());
    const std::size_t sent = Commands().size();
    stopping.restart();
    Click(CCorvanePropertySheet::ID_EXIT);
    EXPECT_LT(stopping.elapsed(), 500);
    EXPECT_FALSE(Sheet().isVisible() || m_link->IsConnected());
    EXPECT_EQ(m_dialogs.messages, QStringList("The program is currently logging data.\n\rYou are sure you want to exit?"));
    ASSERT_TRUE(m_sim->WaitForEvent("published", 3));
    EXPECT_EQ(Commands().size(), sent);
    EXPECT_TRUE(Journaled("run-stopped by Exit while waiting for the instrument"));
}

TEST_F(RunTest, LogErrorsShowOneBoxAtATimeAndTheLinesThatFailedAreWrittenOnceTheFileCanBe) {
    const char* error = "An error occured writing to the logfile.";
    const fs::path folder = LogFolder() / "station", aside = LogFolder() / "aside";
    fs::create_directories(folder);

    // A file in the folder's place: every line fails behind the open box (a second box would open
    // among them and end the wait at once) until the operator removes the file and dismisses it.
    int open = 0, deepest = 0;
    m_dialogs.onMessage = [&](const QString& text) {
        if (text != error) return;
        deepest = std::max(deepest, ++open);
        const std::size_t sent = m_sim->SentLines().size();
        if (open == 1) WaitFor([&] { return deepest > 1 || m_sim->SentLines().size() >= sent + 10; });
        fs::remove(folder);
        --open;
    };
    const fs::path log =
        StartLoggedRun("station/CV.dat", {"--records", "DY", "--averaging", "1", "--speed", "20"});
    ASSERT_TRUE(WaitForLogLines(log, 5));
    // The file takes the folder's place in one step; the folder, with what was written, moves aside.
    std::ofstream(aside.string()) << "not a folder";
    ASSERT_EQ(renameat2(AT_FDCWD, aside.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE), 0);
    ASSERT_TRUE(WaitFor([&] { return Journaled("log-recovered " + log.string()); }, kLongWaitMs));
    const std::size_t resumed = FileLines(log).size();
    ASSERT_TRUE(WaitForLogLines(log, resumed + 2));
    StartStop();

    EXPECT_EQ(m_dialogs.messages, QStringList(error));
    EXPECT_EQ(deepest, 1);
    EXPECT_TRUE(Journaled("log-error " + log.string()));
    // The lines that failed waited and went in once the folder was back.
    EXPECT_TRUE(EveryLineLoggedIn({aside / "CV.dat", log}));
}

TEST_F(RunTest, UnattendedStartAsksNothingAndKeepsTheSwitchToDailyFilesItMakes) {
    // Weekly files stored, and a day of every record at one-second averaging: over 2 MiB.
    StoreLogging(CDataLog::kWeekly);
    Start({"--averaging", "1", "--autozero", "3600", "--records", "DTZ", "--speed", "10"});
    FastRecovery();
    ASSERT_TRUE(Sheet().StartUnattended());
    ASSERT_TRUE(WaitFor([&] { return m_core->State() == RunState::Running; }, kLongWaitMs));
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_EQ(StoredNumber(kValueLogLength), CDataLog::kDaily);
    EXPECT_TRUE(Journaled("message The 'Log - New File Weekly' option is selected."));
    StartStop();
    // The next start finds daily files stored: no word of it again.
    const std::size_t journaled = JournalEntries().size();
    ASSERT_TRUE(Sheet().StartUnattended());
    ASSERT_TRUE(WaitFor([&] { return m_core->State() == RunState::Running; }, kLongWaitMs));
    StartStop();
    const std::vector<std::string> journal = JournalEntries();
    EXPECT_TRUE(std::none_of(journal.begin() + static_cast<long>(journaled), journal.end(),
                             [](const std::string& e) { return e.starts_with("message"); }));
}
