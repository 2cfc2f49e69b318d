// The instrument's clock through whole runs against the simulator, with an offset, a drift or a
// daylight-saving change, on a PC clock the test steers: the offset warning, the "STT" at a start
// and during a run (when it holds back, that no line is lost around it), and keeping off.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <thread>

#include "../station/ClockTestSupport.h"
#include "RunCoreFixture.h"
#include "station/ClockSample.h"

namespace {

// The PC's clock as the test steers it: the real time (the simulator's clock and every line's arrival
// follow it), whether it is synchronised, and a monotonic clock moved on by minutes or hours at once.
struct TestPcClock {
    std::atomic<bool> synchronized{true};
    std::atomic<std::int64_t> skipped{0};  // seconds
    void Skip(std::chrono::seconds by) { skipped += by.count(); }
    // Called on the run's threads; lives as long as the core it is given to.
    PcClockSource Source() {
        return [this] {
            return PcClockReading{std::chrono::system_clock::now(),
                                  std::chrono::steady_clock::now() + std::chrono::seconds(skipped.load()),
                                  synchronized.load()};
        };
    }
};

class RunClockTest : public RunCoreTest {
protected:
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
        ASSERT_TRUE(m_core->StartUnattended(Stored(Logs(), keepSeconds)));
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
    static std::vector<std::string> Entries(const std::string& word) {
        std::vector<std::string> entries = JournalEntries();
        std::erase_if(entries, [&](const std::string& e) { return !e.starts_with(word + " "); });
        return entries;
    }
    // The "STT" of a transcript entry carries the PC's local time of its arrival, to the second.
    static void ExpectPcTime(const std::string& entry) {
        const std::chrono::duration<double> arrival(std::stod(entry));
        const std::optional<ClockSample> sent = ReadClockSample(
            "T," + entry.substr(entry.find("STT") + 3),
            std::chrono::system_clock::time_point(
                std::chrono::duration_cast<std::chrono::system_clock::duration>(arrival)));
        ASSERT_TRUE(sent.has_value()) << entry;
        EXPECT_LE(std::abs(sent->offset), 1.5) << entry;
    }
    // A clock that is not set when due: tried or said why at the start, not again within the hour, then
    // once more; tries counts the attempts.
    void ExpectTriedHourly(const std::function<std::size_t()>& tries) {
        ASSERT_TRUE(WaitForTimeRecords(4));  // the median is judged: beyond from now on
        ASSERT_TRUE(WaitFor([&] { return tries() == 1; }, kLongWaitMs));
        m_pc.Skip(std::chrono::minutes(5));
        ASSERT_TRUE(WaitForTimeRecords(3));
        EXPECT_EQ(tries(), 1u);
        m_pc.Skip(std::chrono::hours(1));
        ASSERT_TRUE(WaitFor([&] { return tries() == 2; }, kLongWaitMs));
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
        m_zone.emplace(zone);
    }

    TestPcClock m_pc;
    QObject m_listener;
    std::size_t m_nTimeRecords = 0;
    char m_chMode = '\0';  // of the last D record
    std::optional<ScopedTimeZone> m_zone;  // outlives the core: reset in the fixture's TearDown
};

TEST_F(RunClockTest, NotKeptTheOffsetIsWarnedOfBeyondTenSecondsOnceEachWayAndNoCommandChanges) {
    // Thirty seconds behind and gaining five seconds a second (the clock runs at six times real
    // time): the warning is due at once, clears near zero and comes again as ten seconds ahead pass.
    StartClockRun({"--records", "DT", "--averaging", "1", "--clock-offset", "-30", "--speed", "4",
                   "--clock-drift", "500000", "--vanish-for", "1"},
                  0);
    ASSERT_TRUE(WaitFor([] { return Entries("clock-offset").size() >= 3; }, kLongWaitMs));
    const std::vector<std::string> lines = Entries("clock-offset");
    EXPECT_TRUE(lines[0].find(" s behind the PC's (median of the last ") != std::string::npos) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("clock-offset the instrument's clock is back within 5 s:")) << lines[1];
    EXPECT_TRUE(std::regex_search(lines[2], std::regex("^clock-offset the instrument's clock is 1[012] s ahead "
                                                       "of the PC's")))
        << lines[2];
    EXPECT_GT(m_core->Status().clockOffsetSeconds.value_or(0), 10);

    // The commands of a start and of a reconnect are those of a program that keeps no clock.
    m_sim->Vanish();
    ASSERT_TRUE(WaitForState(RunState::WaitingForInstrument));
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitForTimeRecords(3));
    StopRun();
    const std::vector<std::string> start = {"UE",  "UE",  "SMB", "SMZ", "UD", "UT", "UP", "UY",  "UZ", "STA",
                                            "STB", "STZ", "STP", "RT",  "RD", "RY", "RZ", "SD0", "UB"};
    std::vector<std::string> expected = start;
    expected.insert(expected.end(), start.begin(), start.end());
    expected.push_back("UE");
    EXPECT_EQ(m_sim->ReceivedCommands(), expected);
    EXPECT_TRUE(Entries("clock-set").empty());
    EXPECT_TRUE(Entries("clock-not-set").empty());
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
    StopRun();
    EXPECT_EQ(LogFiles(), std::vector<fs::path>{today});
    ExpectEveryLineLogged({today});
}

TEST_F(RunClockTest, AStartFromTheWindowJudgesAKeptClockByTheTimeItReadsItself) {
    // The window has read the instrument and hands over the open port; its boxes may have stood open
    // since it read the time.
    StartSim({"--records", "DT", "--averaging", "1", "--clock-offset", "-30"}, m_pc.Source());
    RunConfig config = Stored(Logs(), 10);
    config.logFile = "chosen.dat";
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
        StopRun();
    }
    ASSERT_EQ(SetClockEntries().size(), 1u);
    ExpectPcTime(SetClockEntries()[0]);
    const std::vector<std::string> journaled = Entries("clock-set");
    ASSERT_EQ(journaled.size(), 1u);
    EXPECT_TRUE(std::regex_search(journaled[0], std::regex(": the instrument's clock was (29|30|31) s behind "
                                                           "the PC's; now ")))
        << journaled[0];
}

TEST_F(RunClockTest, AClockThatCannotBeSetIsLeftAloneWithTheReasonSaidHourlyAndNoLineIsLost) {
    // Thirty seconds ahead and running four times as fast: off all the time, with a T record every
    // quarter of a second. First the PC's clock is not synchronised, then the instrument refuses.
    m_pc.synchronized = false;
    StartClockRun(
        {"--records", "DT", "--averaging", "1", "--clock-offset", "30", "--speed", "4", "--refuse", "STT"},
        10);
    ExpectTriedHourly([] { return Entries("clock-not-set").size(); });
    for (const std::string& entry : Entries("clock-not-set"))
        EXPECT_TRUE(entry.find(" ahead of the PC's, but the PC's own clock is not synchronised") !=
                    std::string::npos)
            << entry;
    EXPECT_TRUE(SetClockEntries().empty());

    // Off for more than five minutes already: tried as soon as the PC is synchronised, then hourly.
    m_pc.synchronized = true;
    ExpectTriedHourly([&] { return SetClockEntries().size(); });
    ExpectPcTime(SetClockEntries()[0]);
    ASSERT_TRUE(WaitForState(RunState::Running));
    ASSERT_TRUE(WaitForTimeRecords(3));
    StopRun();
    std::vector<std::string> refused = Entries("clock-not-set");
    ASSERT_EQ(refused.size(), 4u);
    for (const std::string& entry : {refused[2], refused[3]})
        EXPECT_TRUE(entry.starts_with("clock-not-set the instrument answered \"ERROR\" to STT")) << entry;
    EXPECT_EQ(Entries("pc-clock").size(), 2u);  // not synchronised, then synchronised
    EXPECT_TRUE(Entries("clock-set").empty());
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
    StopRun();
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

TEST_F(RunClockTest, AStopWhileTheStartReadsTheInstrumentLeavesTheClockAloneAndUnjudged) {
    // Every answer comes 40 ms late: the stop cuts the reading of the settings short.
    StartSim({"--records", "DT", "--averaging", "1", "--clock-offset", "30", "--reply-delay-ms", "40"},
             m_pc.Source());
    QObject::connect(m_core.get(), &CRunCore::StateChanged, m_core.get(), [this](RunState state) {
        if (state == RunState::Starting)
            QTimer::singleShot(0, m_core.get(), [this] { m_core->Stop("the operator"); });
    });
    ASSERT_TRUE(m_core->StartUnattended(Stored(Logs(), 10)));
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
            if (command == "RT") return TimeLineAt(std::chrono::system_clock::now(), 0) + "\r";
            const auto answer = answers.find(command);
            return answer == answers.end() ? std::string() : answer->second;
        });
    script->instrument = m_instrument.get();
    fs::create_symlink(m_instrument->DevicePath(), m_folder / "devices" / "COM1");
    MakeCore(250, 500, m_pc.Source());
    ASSERT_TRUE(m_core->StartUnattended(Stored(Logs(), 10)));
    ASSERT_TRUE(WaitForState(RunState::Running));

    std::vector<std::string> sent;
    for (int i = 0; i < 3; ++i) {
        sent.push_back(TimeLineAt(std::chrono::system_clock::now(), 30));
        ASSERT_TRUE(m_instrument->SendHandedOver(sent.back() + "\r"));
    }
    ASSERT_TRUE(WaitFor([&] { return m_core->Status().clockOffsetSeconds.value_or(0) > 10; }));
    m_pc.Skip(std::chrono::minutes(5));
    // The stop comes while the correction's "UE" waits, before the rest of the line has come.
    QObject::connect(m_core.get(), &CRunCore::StateChanged, m_core.get(), [this](RunState state) {
        if (state == RunState::Starting)
            QTimer::singleShot(50ms, m_core.get(), [this] { m_core->Stop("the operator"); });
    });
    sent.push_back(TimeLineAt(std::chrono::system_clock::now(), 30));
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
