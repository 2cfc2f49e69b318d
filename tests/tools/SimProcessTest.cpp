// The built corvane-sim, driven from the program's end of its pseudo-terminal (runs, bursts, hang-ups
// and the transcript are exercised through the program by the acquisition tests).
#include <gtest/gtest.h>
#include <unistd.h>

#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "records/Records.h"

using namespace std::chrono_literals;

namespace {

std::optional<std::string> Ask(PseudoTerminal& line, const std::string& command,
                               std::chrono::milliseconds timeout = 1s) {
    line.Send(command + "\r\n");
    return line.ReadLine(timeout);
}

TEST(SimProcessLine, AnswersTheHandshakeOnlyAtItsOwnRateAndRemovesItsLinkOnExit) {
    for (const auto& [rate, speed, other] :
         {std::tuple{"9600", B9600, B38400}, std::tuple{"19200", B19200, B9600}}) {
        SCOPED_TRACE(rate);
        SimProcess sim({"--baud", rate});
        PseudoTerminal line(sim.DevicePath(), other);
        ASSERT_TRUE(line.IsOpen());
        EXPECT_EQ(Ask(line, "UE", 300ms), std::nullopt);  // silence, judged over a healthy reply's time
        line.SetSpeed(speed);
        EXPECT_EQ(Ask(line, "UE"), "OK");
        EXPECT_EQ(sim.Stop(), 0);
        EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
    }
}

TEST(SimProcessLine, RefusedSettingsStatusWordAndReplyDelay) {
    SimProcess sim(
        {"--refuse", "UZ,STA", "--status", "0003", "--reply-delay-ms", "150", "--records", "none"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(line, "UZ1"), "ERROR");
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 150ms);
    EXPECT_EQ(Ask(line, "STA300"), "ERROR");
    EXPECT_EQ(Ask(line, "STA"), "60");
    EXPECT_EQ(Ask(line, "STB30"), "OK");
    const FieldRecord y = ParseAuxRecord(Ask(line, "RY").value_or(""));
    ASSERT_TRUE(y.whole);
    EXPECT_EQ(y.fields[8], "0003");
}

}  // namespace
