// The run core on its own, without any widget: runs against the simulator through losses, returns,
// silences and midnights, stops in every state, a slow listener, and log files unwritable for a while.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <fstream>

#include "RunCoreFixture.h"
#include "run/StoredRun.h"
#include "settings/SettingsKey.h"

namespace {

TEST_F(RunCoreTest, AReconnectAndAMidnightLogEveryLineOnceInItsDaysFileByTheChoicesTheRunStartedWith) {
    StartSim({"--clock", "2005-09-20T23:59:54", "--speed", "2", "--records", "DT", "--averaging", "1",
              "--vanish-for", "1"});
    ASSERT_TRUE(m_core->StartUnattended(Stored(Logs())));
    const fs::path before = Logs() / "CV050920.dat", after = Logs() / "CV050921.dat";
    ASSERT_TRUE(WaitFor([&] { return FileLines(before).size() >= 2; }, kLongWaitMs));
    // Nothing else reaches the link while the run holds it.
    EXPECT_FALSE(m_lender->TryLease());
    // A second copy or an editor changes the store in the middle of the run.
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Open(kProductKeyPath, false));
        key.WriteString(kValueLogPath, (m_folder / "elsewhere").string() + "/");
        key.WriteDword(kValueLogEnable, 0);
        key.WriteWord(kValueLogLength, CDataLog::kWeekly);
    }

    m_sim->Vanish();
    ASSERT_TRUE(WaitForState(RunState::WaitingForInstrument));
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitFor([&] { return FileLines(after).size() >= 4; }, kLongWaitMs));
    StopRun();
    EXPECT_TRUE(m_lender->TryLease());

    EXPECT_FALSE(fs::exists(m_folder / "elsewhere"));
    EXPECT_EQ(FileLines(after).front(), "T,2005,09,21,00,00,00");
    ExpectEveryLineLogged({before, after});
    const RunStatus status = m_core->Status();
    EXPECT_EQ(status.losses, 1u);
    EXPECT_EQ(status.logWriteErrors, 0u);
    EXPECT_TRUE(status.lastLogSync.has_value());
    // Whether a try failed before the instrument was back depends on the machine's pace.
    std::vector<std::string> journal = JournalEntries({"pc-clock", "clock-offset"});
    std::erase_if(journal, [](const std::string& e) { return e.starts_with("reconnect-failed"); });
    for (std::string& entry : journal) entry = entry.substr(0, entry.find(':'));
    EXPECT_EQ(journal, std::vector<std::string>({"log-folder-missing " + Logs().string() + "/",
                                                 "run-started Com1, logging to " + before.string(),
                                                 "instrument-lost Com1", "instrument-back Com1 after 0",
                                                 "run-stopped by the operator"}));
}

TEST_F(RunCoreTest, ASilentInstrumentIsRestartedAndItsGapIsCountedFromItsLastLine) {
    StartSim({"--records", "DY", "--averaging", "1", "--speed", "1", "--restart-silent", "3"});
    ASSERT_TRUE(m_core->StartUnattended(Stored(Logs())));
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitFor([&] { return LogFiles().size() == 1 && !FileLines(LogFiles().front()).empty(); },
                        kLongWaitMs));
    // The instrument restarts without hanging up, as after its own power cut: silent, then polled.
    m_sim->Restart();
    ASSERT_TRUE(WaitFor([&] { return Journaled("silent-instrument-restarted Com1 after "); }, kLongWaitMs));
    // The silence limit is 2 s here and the instrument stays silent 3 s: the gap is at least that.
    for (const std::string& entry : JournalEntries()) {
        if (!entry.starts_with("silent-instrument-restarted")) continue;
        const std::string gap = entry.substr(entry.rfind(' ') + 1);
        EXPECT_GE(gap, "0:00:02") << entry;
    }
    EXPECT_EQ(m_core->Status().silentRestarts, 1u);
    // Once it answers again its output is started again, and logging goes on in the same file.
    ASSERT_TRUE(WaitFor(
        [&] {
            const std::vector<std::string> commands = m_sim->ReceivedCommands();
            return std::count(commands.begin(), commands.end(), "UB") == 2;
        },
        kLongWaitMs));
    ASSERT_EQ(LogFiles().size(), 1u);
    const std::size_t restarted = FileLines(LogFiles().front()).size();
    ASSERT_TRUE(WaitFor([&] { return FileLines(LogFiles().front()).size() >= restarted + 2; }, kLongWaitMs));
    StopRun();
    ExpectEveryLineLogged(LogFiles());
}

TEST_F(RunCoreTest, StopEndsTheRunWithinTwoSecondsInEveryStateEvenWhenEveryCommandTimesOut) {
    StartMute();
    const auto stopTakes = [&] {
        QElapsedTimer stopping;
        stopping.start();
        m_core->Stop("the operator");
        EXPECT_TRUE(WaitForState(RunState::Idle, 5000));
        return stopping.elapsed();
    };
    // The instrument part of the start: eleven settings and four records, each a second in vain.
    ASSERT_TRUE(m_core->StartUnattended(Stored(Logs())));
    ASSERT_TRUE(WaitForState(RunState::Starting, 5000));
    QThread::msleep(1500);
    EXPECT_LT(stopTakes(), 2000);
    // Waiting, with a try under way whose handshake would wait out two probes of 2 s.
    fs::remove(m_folder / "devices" / "COM1");
    const PseudoTerminal silent;
    fs::create_symlink(silent.DevicePath(), m_folder / "devices" / "COM1");
    ASSERT_TRUE(m_core->StartUnattended(Stored(Logs())));
    ASSERT_TRUE(WaitForState(RunState::WaitingForInstrument, 5000));
    QThread::msleep(500);
    EXPECT_LT(stopTakes(), 2000);
    // Exit waits until the run has ended.
    ASSERT_TRUE(m_core->StartUnattended(Stored(Logs())));
    QThread::msleep(500);
    QElapsedTimer exiting;
    exiting.start();
    m_core->StopAndWait("Exit");
    EXPECT_LT(exiting.elapsed(), 2000);
    EXPECT_EQ(m_core->State(), RunState::Idle);
}

TEST_F(RunCoreTest, ASlowListenerDelaysNoLinesWriteAndStillGetsEveryRecordInOrder) {
    StartSim({"--burst", "400", "--records", "D", "--averaging", "60"});
    // A listener on a thread of its own that takes 50 ms per record: 20 s for the burst.
    QThread listenerThread;
    QObject listener;
    listener.moveToThread(&listenerThread);
    listenerThread.start();
    std::atomic<std::size_t> heard{0};
    std::vector<std::string> lines;
    m_core->Records().Subscribe(&listener, "slow", [&](const SharedRecordBatch& batch) {
        for (const ReceivedRecord& record : *batch) {
            QThread::msleep(50);
            lines.push_back(record.line);
            ++heard;
        }
    });
    RunConfig config = Stored(Logs());
    config.logFile = "burst.dat";
    ASSERT_TRUE(m_core->StartUnattended(config));
    ASSERT_TRUE(WaitFor([&] { return FileLines(Logs() / "burst.dat").size() >= 400; }, 5000));
    EXPECT_LT(heard.load(), 200u);
    StopRun();
    ASSERT_TRUE(WaitFor([&] { return heard.load() >= 400; }, 30000));
    listenerThread.quit();
    listenerThread.wait();
    EXPECT_EQ(lines, FileLines(Logs() / "burst.dat"));
}

TEST_F(RunCoreTest, FailingWritesAreJournaledOnceThenHourlyAndTheirLinesWaitForTheFile) {
    StartSim({"--records", "DY", "--averaging", "1", "--speed", "20"});
    const fs::path folder = Logs(), aside = m_folder / "aside";
    ASSERT_TRUE(m_core->StartUnattended(Stored(folder)));
    ASSERT_TRUE(WaitForState(RunState::Running));
    const fs::path log = folder / fs::directory_iterator(folder)->path().filename();
    // For two seconds a file stands in the folder's place: forty batches fail.
    std::ofstream(aside.string()) << "not a folder";
    ASSERT_EQ(renameat2(AT_FDCWD, aside.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE), 0);
    const std::uint64_t failedBefore = m_core->Status().logWriteErrors;
    ASSERT_TRUE(WaitFor([&] { return m_core->Status().logWriteErrors >= failedBefore + 10; }, kLongWaitMs));
    EXPECT_GT(m_core->Status().logLinesKept, 0u);
    fs::remove(folder);
    ASSERT_TRUE(WaitFor([&] { return Journaled("log-recovered " + log.string()); }, kLongWaitMs));
    StopRun();

    const std::vector<std::string> journal = JournalEntries();
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::string& e) { return e.starts_with("log-error"); }),
              1);
    EXPECT_EQ(m_core->Status().logLinesKept, 0u);
    ExpectEveryLineLogged({aside / log.filename(), log});
}

TEST_F(RunCoreTest, LogsGoToTheWorkingFolderByTheBytesOfItsNameEvenWhenTheyAreNotUtf8) {
    const fs::path latin1 = m_folder / "Stationsgel\xe4nde";  // Latin-1, not UTF-8
    fs::create_directories(latin1);
    const fs::path previous = fs::current_path();
    fs::current_path(latin1);
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Open(kProductKeyPath, false) && key.WriteWord(kValueRunPort, 3));
    }
    MakeCore(250, 500);
    const std::optional<RunConfig> stored = StoredRunConfig();
    fs::current_path(previous);
    EXPECT_EQ(m_core->Log().m_strLogPath, latin1.native() + "/");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->logFolder, latin1.native() + "/");
}

}  // namespace
