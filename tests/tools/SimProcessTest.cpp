// The built corvane-sim, driven from the program's end of its pseudo-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "records/Records.h"

using namespace std::chrono_literals;

namespace {

// Long enough for any reply of a healthy simulator; silence is judged over it.
constexpr auto kQuiet = 300ms;
const std::string kVersion = "CVS-1 simulated nephelometer v1.0";

std::optional<std::string> Ask(PseudoTerminal& line, const std::string& command,
                               std::chrono::milliseconds timeout = 1s) {
    line.Send(command + "\r\n");
    return line.ReadLine(timeout);
}

}  // namespace

TEST(SimProcessLine, AnswersTheHandshakeOnlyAtItsOwnRateAndRemovesItsLinkOnExit) {
    for (const auto& [rate, speed, other] :
         {std::tuple{"9600", B9600, B38400}, std::tuple{"19200", B19200, B9600}}) {
        SCOPED_TRACE(rate);
        SimProcess sim({"--baud", rate});
        PseudoTerminal line(sim.DevicePath(), other);
        ASSERT_TRUE(line.IsOpen());
        EXPECT_EQ(Ask(line, "UE", kQuiet), std::nullopt);
        line.SetSpeed(speed);
        EXPECT_EQ(Ask(line, "UE"), "OK");
        EXPECT_EQ(Ask(line, "RV"), kVersion);
        EXPECT_EQ(sim.Stop(), 0);
        EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
        EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"UE", "RV"}));
        ASSERT_FALSE(sim.TranscriptLines().empty());
        EXPECT_NE(sim.TranscriptLines()[0].find(" IGNORED UE (line at "), std::string::npos);
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
    EXPECT_EQ(Ask(line, "STB"), "30");
    const FieldRecord y = ParseAuxRecord(Ask(line, "RY").value_or(""));
    ASSERT_TRUE(y.whole);
    EXPECT_EQ(y.fields[8], "0003");
}

TEST(SimProcessLine, UnpolledRecordsAtSpeedMatchTheTranscript) {
    // 100 instrument seconds per real second: a zero period every 12 s, the clock passing midnight.
    SimProcess sim({"--speed", "100", "--averaging", "1", "--blank", "2", "--zero", "3", "--autozero", "12",
                    "--records", "TDZ", "--noise", "--clock", "2005-08-31T23:59:50"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask(line, "UB"), "OK");
    std::vector<std::string> wire = {"OK"};  // what the transcript must hold: the lines, not the noise
    std::optional<std::time_t> lastTime;
    std::string modes, noise;
    // After the second zero period the output is stopped with "UE", whose "OK" is the last line.
    for (int nZero = 0; wire.size() == 1 || wire.back() != "OK";) {
        std::string text = line.ReadLine(5s).value_or("");
        ASSERT_FALSE(text.empty());
        if (text[0] == '\0') text.erase(0, 1);  // the NUL of the line noise sticks to the next line
        if (text != "OK" && text[0] != 'T' && text[0] != 'D' && text[0] != 'Z') {
            noise += text[0];
            continue;
        }
        wire.push_back(text);
        if (text[0] == 'Z' && ++nZero == 2) line.Send("UE\r\n");
        if (const auto time = ParseTimeRecord(text)) {
            // A T record every instrument second, a hundred of them a real second.
            EXPECT_TRUE(!lastTime || *time->instrumentTime - *lastTime == 1) << text;
            lastTime = time->instrumentTime;
        }
        if (text[0] == 'D') {
            const FieldRecord d = ParseDataRecord(text);
            ASSERT_TRUE(d.whole) << text;
            if (modes.empty() || modes.back() != d.fields[0][0]) modes += d.fields[0][0];
        }
    }
    // Two zero periods, some 25 instrument seconds, took a fraction of a real second.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_EQ(line.ReadLine(kQuiet), std::nullopt);  // unpolled output has stopped
    EXPECT_NE(modes.find("BZBNBZB"), std::string::npos) << modes;
    EXPECT_NE(noise.find(','), std::string::npos);  // the D record that lost its letter
    EXPECT_NE(line.Received().find('\0'), std::string::npos);
    EXPECT_NE(line.Received().find("T,2005,09,01,00,00,"), std::string::npos);
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(sim.SentLines(), wire);
    EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"UB", "UE"}));
}

TEST(SimProcessLine, BurstSendsNumberedRecordsAndReportsThem) {
    SimProcess sim({"--burst", "3000", "--records", "none"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    EXPECT_EQ(Ask(line, "UB"), "OK");
    for (std::uint64_t n = 1; n <= 3000; ++n) {
        const FieldRecord d = ParseDataRecord(line.ReadLine(2s).value_or(""));
        ASSERT_TRUE(d.whole) << n;
        ASSERT_EQ(d.fields[2], std::to_string(n));
        ASSERT_EQ(d.fields[7], std::to_string(n));
    }
    EXPECT_EQ(line.ReadLine(kQuiet), std::nullopt);
    EXPECT_EQ(Ask(line, "UE"), "OK");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_NE(sim.Output().find("burst sent 3000 of 3000 lines in "), std::string::npos) << sim.Output();
    EXPECT_EQ(sim.SentLines().size(), 3002u);
}

TEST(SimProcessLine, HangupAfterClosesTheLineRemovesTheLinkAndExits) {
    SimProcess sim({"--hangup-after", "3", "--records", "none"});
    PseudoTerminal line(sim.DevicePath(), B9600);
    for (const char* command : {"UE", "UE", "RV"}) EXPECT_TRUE(Ask(line, command).has_value()) << command;
    EXPECT_TRUE(line.WaitForHangup(2s));
    ASSERT_TRUE(sim.WaitForExit(2s));
    EXPECT_EQ(sim.ExitStatus(), 0);
    EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
    EXPECT_EQ(sim.SentLines().size(), 3u);
}
