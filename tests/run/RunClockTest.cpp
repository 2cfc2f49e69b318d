// The instrument's clock through a whole run against the simulator, with an offset, a drift or a
// daylight-saving change: the offset warning, the "STT" at a start and the correction during a run
// (what it sends, when it holds back, that no line is lost around it), and the commands left as they
// were while the clock is not kept. The PC's clock is the test's: it says whether it is synchronised,
// and the five minutes and the hour of the keeping pass when the test says so.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../station/ClockTestSupport.h"
#include "RunCoreFixture.h"
#include "TestPcClock.h"

namespace {

// Seconds since the epoch of the local time an "STT" command gives; nothing for another text.
std::optional<double> SetCommandTime(std::string_view command) {
    std::tm t{};
    if (std::sscanf(std::string(command).c_str(), "STT%d,%d,%d,%d,%d,%d", &t.tm_year, &t.tm_mon, &t.tm_mday,
                    &t.tm_hour, &t.tm_min, &t.tm_sec) != 6)
        return std::nullopt;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    t.tm_isdst = -1;
    return static_cast<double>(std::mktime(&t));
}

// The T record of an instrument whose clock is offset seconds ahead of the PC's now.
std::string TimeLineIn(long offset) {
    return TimeLineAt(std::chrono::system_clock::now(), offset);
}

class RunClockTest : public RunCoreTest {
protected:
    void TearDown() override {
        RunCoreTest::TearDown();
        if (m_bZoneSet) {
            unsetenv("TZ");
            tzset();
        }
    }
    // The core on the simulator with these options, the clock kept within keepSeconds (0: not kept),
    // its run started as --start starts it and running.
    void StartClockRun(const std::vector<std::string>& options, unsigned keepSeconds) {
        StartSim(options, m_pc.Source());
        m_core->Records().Subscribe(&m_listener, "test", [this](const SharedRecordBatch& batch) {
            for (const ReceivedRecord& record : *batch) {
                if (record.Letter() == 'T') ++m_nTimeRecords;
                if (record.Letter() == 'D' && !record.fields.empty() && !record.fields[0].empty())
                    m_chMode = record.fields[0].front();
            }
        });
        RunConfig config = Stored(Logs());
        config.keepClockSeconds = keepSeconds;
        ASSERT_TRUE(m_core->StartUnattended(config));
        ASSERT_TRUE(WaitForState(RunState::Running));
    }
    // Waits until count more T records have reached the run's listeners (the core's clock watch first).
    bool WaitForTimeRecords(std::size_t count) {
        const std::size_t until = m_nTimeRecords + count;
        return WaitFor([&] { return m_nTimeRecords >= until; }, kLongWaitMs);
    }
    // The simulator's transcript entries of the "STT" commands it received.
    std::vector<std::string> SetClockEntries() const {
        std::vector<std::string> entries = m_sim->TranscriptLines();
        std::erase_if(entries, [](const std::string& e) { return e.find(" RX STT") == std::string::npos; });
        return entries;
    }
    // The journal's entries of one event word.
    static std::vector<std::string> Entries(const std::string& word) {
        std::vector<std::string> entries = JournalEntries();
        std::erase_if(entries, [&](const std::string& e) { return !e.starts_with(word + " "); });
        return entries;
    }
    // The "STT" of a transcript entry carries the PC's local time of its arrival, to the second.
    static void ExpectPcTime(const std::string& entry) {
        const double arrival = std::stod(entry.substr(0, entry.find(' ')));
        const std::optional<double> sent = SetCommandTime(entry.substr(entry.find("STT")));
        ASSERT_TRUE(sent.has_value()) << entry;
        EXPECT_LE(std::abs(*sent - arrival), 1.5) << entry;
    }
    // A time zone one hour east of UTC whose summer time starts lead from now: set before the
    // simulator and the core start, for both of them (the run's threads read it).
    void SetZoneWithSummerTimeIn(std::chrono::seconds lead) {
        const std::time_t standard = std::time(nullptr) + lead.count() + 3600;
        std::tm change{};
        gmtime_r(&standard, &change);
        char zone[96];
        std::snprintf(zone, sizeof zone, "XST-1XDT,%d/%02d:%02d:%02d,%d/0", change.tm_yday, change.tm_hour,
                      change.tm_min, change.tm_sec, (change.tm_yday + 180) % 365);
        setenv("TZ", zone, 1);
        tzset();
        m_bZoneSet = true;
    }

    TestPcClock m_pc{true};
    QObject m_listener;
    std::size_t m_nTimeRecords = 0;
    char m_chMode = '\0';  // of the last D record
    bool m_bZoneSet = false;
};

TEST_F(RunClockTest, TheOffsetWarningComesBeyondTenSecondsAndClearsWithinFiveOnlyOnceEach) {
    // Thirty seconds behind and gaining five seconds a second (the clock runs at six times real
    // time): the warning is due at once, clears near zero and comes again as ten seconds ahead pass.
    StartClockRun({"--records", "DT", "--averaging", "1", "--clock-offset", "-30", "--speed", "4",
                   "--clock-drift", "500000"},
                  0);
    ASSERT_TRUE(WaitFor([] { return Entries("clock-offset").size() >= 3; }, kLongWaitMs));
    const std::vector<std::string> lines = Entries("clock-offset");
    EXPECT_TRUE(lines[0].find(" s behind the PC's (median of the last ") != std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].substr(0, lines[1].find(':')),
              "clock-offset the instrument's clock is back within 5 s");
    const std::string prefix = "clock-offset the instrument's clock is ";
    ASSERT_TRUE(lines[2].starts_with(prefix)) << lines[2];
    const int ahead = std::stoi(lines[2].substr(prefix.size()));
    EXPECT_TRUE(ahead >= 10 && ahead <= 12 && lines[2].find(" s ahead of the PC's") != std::string::npos)
        << lines[2];
    EXPECT_GT(m_core->Status().clockOffsetSeconds.value_or(0), 10);
    // Watched, not kept.
    EXPECT_TRUE(SetClockEntries().empty());
}

TEST_F(RunClockTest, AKeptClockADayBehindIsSetOnceAtTheStartToThePcsTimeAndTheLogIsDatedByIt) {
    StartClockRun({"--records", "DT", "--averaging", "1", "--clock-offset", "-86400"}, 10);
    ASSERT_TRUE(WaitForTimeRecords(3));
    const std::vector<std::string> entries = SetClockEntries();
    ASSERT_EQ(entries.size(), 1u);
    ExpectPcTime(entries[0]);
    // After the instrument's time was read, and before its output starts; "RT" again for the time after.
    const std::vector<std::string> commands = m_sim->ReceivedCommands();
    const auto set = std::find_if(commands.begin(), commands.end(),
                                  [](const std::string& c) { return c.starts_with("STT"); });
    EXPECT_NE(std::find(commands.begin(), set, "RT"), set);
    EXPECT_EQ(std::vector<std::string>(set + 1, std::min(set + 4, commands.end())),
              (std::vector<std::string>{"RT", "SD0", "UB"}));
    const std::vector<std::string> journaled = Entries("clock-set");
    ASSERT_EQ(journaled.size(), 1u);
    EXPECT_TRUE(journaled[0].find(": the instrument's clock was 24:00:0") != std::string::npos)
        << journaled[0];
    EXPECT_LE(std::abs(m_core->Status().clockOffsetSeconds.value_or(99)), 1.5);

    // The file is named by the clock as set, from its first line on.
    const fs::path today = Logs() / CDataLog::DefaultFileName(std::time(nullptr));
    EXPECT_TRUE(Journaled("run-started Com1, logging to " + today.string()));
    m_core->Stop("the operator");
    ASSERT_TRUE(WaitForState(RunState::Idle));
    EXPECT_EQ(LogFiles(), std::vector<fs::path>{today});
    ExpectEveryLineLogged({today});
}

TEST_F(RunClockTest, AStartFromTheWindowJudgesAKeptClockByTheTimeItReadsItself) {
    // The window has read the instrument and hands over the open port; its boxes may have stood open
    // since it read the time.
    StartSim({"--records", "DT", "--averaging", "1", "--clock-offset", "-30"}, m_pc.Source());
    RunConfig config = Stored(Logs());
    config.logFile = "chosen.dat";
    config.keepClockSeconds = 10;
    // The commands the run sends after the window's: a clock 30 s behind, then one just set.
    const std::vector<std::string> setNow = {"RT", "STT", "RT", "SD0", "UB"};
    const std::vector<std::string> keptAlready = {"RT", "SD0", "UB"};
    for (const std::vector<std::string>& expected : {setNow, keptAlready}) {
        std::optional<CLinkLease> lease = m_lender->TryLease();
        ASSERT_TRUE(lease);
        ASSERT_EQ((*lease)->OpenPort(1, kInstrumentBaud), CSerialLink::kOpenOk);
        const std::size_t opened = m_sim->ReceivedCommands().size();
        m_core->Start(config, std::move(*lease));
        ASSERT_TRUE(WaitForState(RunState::Running));
        std::vector<std::string> commands = m_sim->ReceivedCommands();
        commands.erase(commands.begin(), commands.begin() + static_cast<std::ptrdiff_t>(opened));
        for (std::string& command : commands)
            if (command.starts_with("STT")) command.resize(3);
        EXPECT_EQ(commands, expected);
        m_core->Stop("the operator");
        ASSERT_TRUE(WaitForState(RunState::Idle));
    }
    ASSERT_EQ(SetClockEntries().size(), 1u);
    ExpectPcTime(SetClockEntries()[0]);
    const std::vector<std::string> journaled = Entries("clock-set");
    ASSERT_EQ(journaled.size(), 1u);
    const std::string was = ": the instrument's clock was ";
    const std::size_t at = journaled[0].find(was);
    ASSERT_NE(at, std::string::npos) << journaled[0];
    const int behind = std::stoi(journaled[0].substr(at + was.size()));
    EXPECT_TRUE(behind >= 29 && behind <= 31 &&
                journaled[0].find(" s behind the PC's; now ") != std::string::npos)
        << journaled[0];
}

TEST_F(RunClockTest, AnUnsynchronisedPcSetsNoClockAndSaysWhyHourlyUntilItIsSynchronised) {
    m_pc.SetSynchronized(false);
    // Thirty seconds ahead and running four times as fast: off all the time, with a T record every
    // quarter of a second.
    StartClockRun({"--records", "DT", "--averaging", "1", "--clock-offset", "30", "--speed", "4"}, 10);
    ASSERT_TRUE(WaitForTimeRecords(4));  // the median is judged: beyond from now on
    m_pc.Skip(std::chrono::minutes(5));
    ASSERT_TRUE(WaitForTimeRecords(3));
    EXPECT_EQ(Entries("clock-not-set").size(), 1u);  // said at the start; not again within the hour
    m_pc.Skip(std::chrono::hours(1));
    ASSERT_TRUE(WaitFor([] { return Entries("clock-not-set").size() == 2; }, kLongWaitMs));
    for (const std::string& entry : Entries("clock-not-set"))
        EXPECT_TRUE(entry.find(" ahead of the PC's, but the PC's own clock is not synchronised") !=
                    std::string::npos)
            << entry;
    EXPECT_TRUE(SetClockEntries().empty());

    // Off for more than five minutes already: set as soon as the PC is synchronised.
    m_pc.SetSynchronized(true);
    ASSERT_TRUE(WaitFor([&] { return SetClockEntries().size() == 1; }, kLongWaitMs));
    ExpectPcTime(SetClockEntries()[0]);
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitForTimeRecords(2));
    m_core->Stop("the operator");
    ASSERT_TRUE(WaitForState(RunState::Idle));
    EXPECT_EQ(Entries("pc-clock").size(), 2u);  // not synchronised, then synchronised
    EXPECT_EQ(Entries("clock-set").size(), 1u);
    ExpectEveryLineLogged(LogFiles());
}

TEST_F(RunClockTest, ADriftIsCorrectedAfterTheZeroOnceWithinTheHourAndNoLineIsLostOrLoggedTwice) {
    // Three seconds behind, gaining two seconds a second; 30 instrument seconds of measuring (10 s),
    // then blanking, zeroing and blanking again for five.
    StartClockRun({"--records", "DT", "--averaging", "1", "--clock-offset", "-3", "--speed", "2",
                   "--clock-drift", "500000", "--autozero", "35", "--zero", "3", "--blank", "1"},
                  5);
    ASSERT_TRUE(WaitFor([&] { return m_core->Status().clockOffsetSeconds.value_or(0) > 5; }, kLongWaitMs));
    // Beyond the threshold for five minutes only once the zero has begun.
    ASSERT_TRUE(WaitFor([&] { return m_chMode == 'B' || m_chMode == 'Z'; }, kLongWaitMs));
    ASSERT_TRUE(SetClockEntries().empty());
    const std::size_t skipped = m_sim->TranscriptLines().size();
    m_pc.Skip(std::chrono::minutes(5));
    ASSERT_TRUE(WaitFor([&] { return SetClockEntries().size() == 1; }, kLongWaitMs));
    ExpectPcTime(SetClockEntries()[0]);
    // The output it ended ("UE", then the instrument part of the start) had gone back to measuring.
    const std::vector<std::string> transcript = m_sim->TranscriptLines();
    std::vector<std::string> before;
    for (std::size_t i = skipped; i < transcript.size() && transcript[i].find(" RX UE") == std::string::npos;
         ++i)
        if (const std::size_t at = transcript[i].find(" TX D,"); at != std::string::npos)
            before.push_back(transcript[i].substr(at + 4, 3));
    ASSERT_FALSE(before.empty());
    EXPECT_NE(std::find(before.begin(), before.end(), "D,Z"), before.end());
    EXPECT_EQ(before.back(), "D,N");

    // Beyond again for five minutes within the hour of the correction: not corrected again.
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitFor([&] { return m_core->Status().clockOffsetSeconds.value_or(0) > 5; }, kLongWaitMs));
    m_pc.Skip(std::chrono::minutes(5));
    ASSERT_TRUE(WaitForTimeRecords(3));
    EXPECT_EQ(m_chMode, 'N');
    EXPECT_EQ(SetClockEntries().size(), 1u);
    m_core->Stop("the operator");
    ASSERT_TRUE(WaitForState(RunState::Idle));
    EXPECT_EQ(Entries("clock-set").size(), 1u);
    ExpectEveryLineLogged(LogFiles());
}

TEST_F(RunClockTest, ADaylightSavingChangeIsNamedAsOneAndAKeptClockFollowsItAtOnce) {
    const auto change = std::chrono::system_clock::now() + std::chrono::seconds(8);
    SetZoneWithSummerTimeIn(std::chrono::seconds(8));
    StartClockRun({"--records", "DT", "--averaging", "1"}, 10);
    ASSERT_TRUE(WaitForTimeRecords(2));
    ASSERT_LT(std::chrono::system_clock::now(), change) << "the run started too late to see the change come";
    ASSERT_TRUE(WaitFor([] { return !Entries("time-zone-change").empty(); }, kLongWaitMs));
    const std::string named = Entries("time-zone-change")[0];
    EXPECT_TRUE(
        named.starts_with("time-zone-change the PC's UTC offset changed from +01:00 to +02:00 (daylight "
                          "saving, not drift): the instrument keeps its own time and is now 1:00:0"))
        << named;
    // Set to summer time without the five minutes a drift waits.
    ASSERT_TRUE(WaitFor([&] { return SetClockEntries().size() == 1; }, kLongWaitMs));
    ExpectPcTime(SetClockEntries()[0]);
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitForTimeRecords(2));
    for (const std::string& entry : Entries("clock-offset"))
        EXPECT_EQ(entry.find("behind the PC's (median"), std::string::npos) << "taken for drift: " << entry;
}

TEST_F(RunClockTest, WithKeepingOffTheCommandsOfAStartAndAReconnectAreThoseOfBefore) {
    StartClockRun({"--records", "DT", "--averaging", "1", "--speed", "4", "--clock-offset", "3600",
                   "--vanish-for", "1"},
                  0);
    ASSERT_TRUE(WaitForTimeRecords(3));
    m_sim->Vanish();
    ASSERT_TRUE(WaitForState(RunState::WaitingForInstrument));
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitForTimeRecords(3));
    m_core->Stop("the operator");
    ASSERT_TRUE(WaitForState(RunState::Idle));

    const std::vector<std::string> start = {"UE",  "UE",  "SMB", "SMZ", "UD", "UT", "UP", "UY",  "UZ", "STA",
                                            "STB", "STZ", "STP", "RT",  "RD", "RY", "RZ", "SD0", "UB"};
    std::vector<std::string> expected = start;
    expected.insert(expected.end(), start.begin(), start.end());
    expected.push_back("UE");
    EXPECT_EQ(m_sim->ReceivedCommands(), expected);
    EXPECT_TRUE(Entries("clock-set").empty());
    EXPECT_TRUE(Entries("clock-not-set").empty());
    EXPECT_FALSE(Entries("clock-offset").empty());  // watched all the same
}

TEST_F(RunClockTest, AnInstrumentThatRefusesItsClockIsAskedAtTheStartThenHourlyAndLosesNoLine) {
    StartClockRun(
        {"--records", "DT", "--averaging", "1", "--clock-offset", "30", "--speed", "4", "--refuse", "STT"},
        10);
    ASSERT_TRUE(WaitForTimeRecords(4));
    EXPECT_EQ(SetClockEntries().size(), 1u);
    m_pc.Skip(std::chrono::minutes(5));
    ASSERT_TRUE(WaitForTimeRecords(3));
    EXPECT_EQ(SetClockEntries().size(), 1u);  // within the hour of the start's attempt
    m_pc.Skip(std::chrono::hours(1));
    ASSERT_TRUE(WaitFor([&] { return SetClockEntries().size() == 2; }, kLongWaitMs));
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitForTimeRecords(3));
    m_core->Stop("the operator");
    ASSERT_TRUE(WaitForState(RunState::Idle));

    const std::vector<std::string> refused = Entries("clock-not-set");
    ASSERT_EQ(refused.size(), 2u);
    for (const std::string& entry : refused)
        EXPECT_TRUE(entry.starts_with("clock-not-set the instrument answered \"ERROR\" to STT")) << entry;
    EXPECT_TRUE(Entries("clock-set").empty());
    ExpectEveryLineLogged(LogFiles());
}

TEST_F(RunClockTest, AStopWhileTheStartReadsTheInstrumentLeavesTheClockAloneAndUnjudged) {
    // Every answer comes 40 ms late: the stop cuts the reading of the settings short.
    StartSim({"--records", "DT", "--averaging", "1", "--clock-offset", "30", "--reply-delay-ms", "40"},
             m_pc.Source());
    QObject::connect(m_core.get(), &CRunCore::StateChanged, m_core.get(), [this](RunState state) {
        if (state == RunState::Starting)
            QTimer::singleShot(0, m_core.get(), [this] { m_core->Stop("the operator"); });
    });
    RunConfig config = Stored(Logs());
    config.keepClockSeconds = 10;
    ASSERT_TRUE(m_core->StartUnattended(config));
    ASSERT_TRUE(WaitFor([&] { return Journaled("run-stopped by the operator"); }, kLongWaitMs));
    EXPECT_TRUE(SetClockEntries().empty());
    EXPECT_TRUE(Entries("clock-not-set").empty());
    EXPECT_TRUE(Entries("clock-set").empty());
}

TEST_F(RunClockTest, AStopThatCutsACorrectionShortStillLogsTheLineThatWasOnItsWay) {
    // A scripted instrument: its records are the test's, and the rest of a D record that was on the
    // line when the correction's "UE" came arrives 150 ms after it (9600 baud is slow).
    const std::string late = "D,N,100,1.1,2.2,3.3,4.4,5.5,6.6";
    const std::map<std::string, std::string> answers = {
        {"UE", "OK\r"},   {"SMB", "0\r"},    {"SMZ", "1\r"},  {"UD", "1\r"},  {"UT", "1\r"},
        {"UP", "0\r"},    {"UY", "0\r"},     {"UZ", "0\r"},   {"STA", "1\r"}, {"STB", "60\r"},
        {"STZ", "300\r"}, {"STP", "3600\r"}, {"SD0", "OK\r"}, {"UB", "OK\r"}};
    // What the instrument's thread shares with the test; the instrument outlives the test's body.
    struct Script {
        std::mutex lock;
        std::thread tail;
        std::atomic<bool> unpolled{false};
        std::atomic<FakeInstrument*> instrument{nullptr};
        ~Script() {
            if (tail.joinable()) tail.join();
        }
    };
    const auto script = std::make_shared<Script>();
    m_instrument = std::make_unique<FakeInstrument>(
        [script, late, answers](const std::string& command, speed_t) -> std::string {
            if (command == "UB") script->unpolled = true;
            if (command == "UE" && script->unpolled.exchange(false)) {
                std::lock_guard hold(script->lock);
                script->tail = std::thread([shared = script.get(), late] {
                    std::this_thread::sleep_for(150ms);
                    shared->instrument.load()->Send(late + "\r");
                });
            }
            if (command == "RT") return TimeLineIn(0) + "\r";
            const auto answer = answers.find(command);
            return answer == answers.end() ? std::string() : answer->second;
        });
    script->instrument = m_instrument.get();
    fs::create_symlink(m_instrument->DevicePath(), m_folder / "devices" / "COM1");
    MakeCore(250, 500, m_pc.Source());
    RunConfig config = Stored(Logs());
    config.keepClockSeconds = 10;
    ASSERT_TRUE(m_core->StartUnattended(config));
    ASSERT_TRUE(WaitForState(RunState::Running));

    std::vector<std::string> sent;
    for (int i = 0; i < 3; ++i) {
        sent.push_back(TimeLineIn(30));
        ASSERT_TRUE(m_instrument->SendHandedOver(sent.back() + "\r"));
    }
    ASSERT_TRUE(WaitFor([&] { return m_core->Status().clockOffsetSeconds.value_or(0) > 10; }));
    m_pc.Skip(std::chrono::minutes(5));
    // The stop comes while the correction's "UE" waits, before the rest of the line has come.
    QObject::connect(m_core.get(), &CRunCore::StateChanged, m_core.get(), [this](RunState state) {
        if (state == RunState::Starting)
            QTimer::singleShot(50ms, m_core.get(), [this] { m_core->Stop("the operator"); });
    });
    sent.push_back(TimeLineIn(30));
    ASSERT_TRUE(m_instrument->SendHandedOver(sent.back() + "\r"));
    ASSERT_TRUE(WaitFor([] { return Journaled("run-stopped by the operator"); }, kLongWaitMs));
    {
        std::lock_guard hold(script->lock);
        ASSERT_TRUE(script->tail.joinable()) << "no correction began";
        script->tail.join();
    }
    sent.push_back(late);
    ASSERT_EQ(LogFiles().size(), 1u);
    EXPECT_EQ(FileLines(LogFiles()[0]), sent);
}

}  // namespace
