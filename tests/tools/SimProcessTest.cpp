// The built corvane-sim, driven from the program's end of its pseudo-terminal: its line rate, reply
// delay and clock, its port appearing late, vanishing and coming back, and restarting on a line that stays up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "station/ClockSample.h"

using namespace std::chrono_literals;

namespace {

std::optional<std::string> Ask(PseudoTerminal& line, const std::string& command,
                               std::chrono::milliseconds timeout = 1s) {
    line.Send(command + "\r\n");
    return line.ReadLine(timeout);
}

// Reads until the line has been quiet for a moment (at most 50 lines); the lines read.
std::vector<std::string> Drain(PseudoTerminal& line) {
    std::vector<std::string> lines;
    for (std::optional<std::string> text; lines.size() < 50 && (text = line.ReadLine(200ms));)
        lines.push_back(*text);
    return lines;
}

TEST(SimProcessLine, AnswersTheHandshakeOnlyAtItsOwnRateAndRemovesItsLinkOnExit) {
    SimProcess sim({"--baud", "19200"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    ASSERT_TRUE(line.IsOpen());
    EXPECT_EQ(Ask(line, "UE", 300ms), std::nullopt);  // silence, judged over a healthy reply's time
    line.SetSpeed(B19200);
    EXPECT_EQ(Ask(line, "UE"), "OK");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
}

TEST(SimProcessLine, RepliesAfterTheGivenDelay) {
    SimProcess sim({"--reply-delay-ms", "150", "--records", "none"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(line, "STB30"), "OK");
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 150ms);
}

// Seconds the instrument's clock, by an "RT" reply, is ahead of the PC's local time.
double InstrumentAhead(const std::optional<std::string>& reply) {
    return ReadClockSample(reply.value_or(""), std::chrono::system_clock::now()).value().offset;
}

TEST(SimProcessLine, ClockStartsOffsetAndDriftsOnFromWhereSttSetsIt) {
    SimProcess sim({"--clock-offset", "-3600", "--clock-drift", "500000", "--records", "none"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    // Half a second of drift at most since the start, and the reply's whole seconds.
    EXPECT_NEAR(InstrumentAhead(Ask(line, "RT")), -3600, 2);
    EXPECT_EQ(Ask(line, ClockSetCommand(std::chrono::system_clock::now())), "OK");
    const auto set = std::chrono::steady_clock::now();
    EXPECT_NEAR(InstrumentAhead(Ask(line, "RT")), 0, 1.5);
    // 50 % fast: two seconds ahead four seconds later, less the rounding of the time set and the reply.
    std::this_thread::sleep_for(4s);
    const double drifted = InstrumentAhead(Ask(line, "RT"));
    EXPECT_TRUE(drifted > 0.5 && drifted < std::chrono::duration<double>(std::chrono::steady_clock::now() - set).count() / 2 + 0.6) << drifted;
}

TEST(SimLifecycle, PortAppearsAfterItsDelayAndTheTimedRestartAndVanishingFollow) {
    const auto start = std::chrono::steady_clock::now();
    SimProcess sim({"--appear-after", "1", "--restart-after", "1.5", "--restart-silent", "0.3",
                    "--vanish-after", "2.5", "--vanish-for", "0.3"});
    EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
    ASSERT_TRUE(sim.WaitForLink());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
    ASSERT_TRUE(sim.WaitForEvent("published", 2));
    const std::vector<std::string> events = sim.Events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ((std::vector<std::string>{events[1], events[2], events[3]}),
              (std::vector<std::string>{"restarting", "answering", "gone"}));
}

TEST(SimLifecycle, VanishedInstrumentHangsUpAndComesBackOnANewTerminalPolledWithItsSettings) {
    SimProcess sim({"--vanish-for", "1", "--speed", "10", "--averaging", "1", "--records", "D"});
    const std::string before = std::filesystem::read_symlink(sim.DevicePath());
    PseudoTerminal line(sim.DevicePath(), B9600);
    EXPECT_EQ(Ask(line, "STB30"), "OK");
    EXPECT_EQ(Ask(line, "UB"), "OK");
    ASSERT_TRUE(line.ReadLine(2s).has_value());  // unpolled records flow

    sim.Vanish();
    ASSERT_TRUE(sim.WaitForEvent("gone"));
    EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
    Drain(line);  // what was sent before the hang-up, then the hang-up itself
    EXPECT_FALSE(line.Send("RV\r\n"));

    // Back after the pause. The old terminal is still held here, so the new one has another name.
    ASSERT_TRUE(sim.WaitForEvent("published", 2));
    const std::string after = std::filesystem::read_symlink(sim.DevicePath());
    EXPECT_NE(after, before);
    PseudoTerminal again(sim.DevicePath(), B9600);
    EXPECT_EQ(Ask(again, "STB"), "30");
    EXPECT_TRUE(Drain(again).empty());  // polled: no records unasked
}

TEST(SimLifecycle, RestartedInstrumentIgnoresCommandsWhileSilentThenAnswersPolled) {
    SimProcess sim({"--restart-silent", "2", "--speed", "10", "--averaging", "1", "--records", "D"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    EXPECT_EQ(Ask(line, "UB"), "OK");
    ASSERT_TRUE(line.ReadLine(2s).has_value());

    sim.Restart();
    ASSERT_TRUE(sim.WaitForEvent("restarting"));
    Drain(line);
    // Silent: no reply and no records, although records would come ten times a second.
    EXPECT_EQ(Ask(line, "RV", 500ms), std::nullopt);
    ASSERT_TRUE(sim.WaitForEvent("answering"));
    EXPECT_EQ(Ask(line, "STA"), "1");
    EXPECT_TRUE(Drain(line).empty());  // polled after the restart
    EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"UB", "STA"}));
}

}  // namespace
