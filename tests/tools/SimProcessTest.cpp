// The built corvane-sim, driven from the program's side of its pseudo-terminal through SimProcess.
#include <gtest/gtest.h>
#include <unistd.h>

#include "LineClient.h"
#include "SimProcess.h"
#include "records/Records.h"

using namespace std::chrono_literals;

namespace {

// Long enough for any reply of a healthy simulator; silence is judged over it.
constexpr auto kQuiet = 300ms;

// Reads lines until the predicate holds for one, or the time-out; returns the lines read.
template <typename Predicate>
std::vector<std::string> ReadUntil(LineClient& client, Predicate done,
                                   std::chrono::milliseconds timeout = 5s) {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto line = client.ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()));
        if (!line) break;
        lines.push_back(*line);
        if (done(*line)) break;
    }
    return lines;
}

}  // namespace

TEST(SimProcessLine, AnswersTheHandshakeOnlyAtItsOwnRateAndRemovesItsLinkOnExit) {
    for (const auto& [rate, code, other] :
         {std::tuple{"9600", B9600, B38400}, std::tuple{"19200", B19200, B9600}}) {
        SCOPED_TRACE(rate);
        SimProcess sim({"--baud", rate});
        LineClient client(sim.DevicePath(), other);
        ASSERT_TRUE(client.IsOpen());
        EXPECT_EQ(client.Ask("UE", kQuiet), std::nullopt);
        client.SetSpeed(code);
        EXPECT_EQ(client.Ask("UE"), "OK");
        EXPECT_EQ(client.Ask("UE"), "OK");
        EXPECT_EQ(client.Ask("RV"), "CVS-1 simulated nephelometer v1.0");
        EXPECT_EQ(sim.Stop(), 0);
        EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
        EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"UE", "UE", "RV"}));
        ASSERT_FALSE(sim.TranscriptLines().empty());
        EXPECT_NE(sim.TranscriptLines()[0].find(" IGNORED UE (line at "), std::string::npos);
    }
}

TEST(SimProcessLine, FaultOptionsRefuseDelayAndReportAStatus) {
    SimProcess sim(
        {"--refuse", "UZ,STA", "--status", "0003", "--reply-delay-ms", "150", "--records", "none"});
    LineClient client(sim.DevicePath(), B9600);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Ask("UZ1"), "ERROR");
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 150ms);
    EXPECT_EQ(client.Ask("STA300"), "ERROR");
    EXPECT_EQ(client.Ask("STB30"), "OK");
    EXPECT_EQ(client.Ask("STB"), "30");
    EXPECT_EQ(client.Ask("STA"), "60");
    const FieldRecord y = ParseAuxRecord(client.Ask("RY").value_or(""));
    ASSERT_TRUE(y.whole);
    EXPECT_EQ(y.fields[8], "0003");

    SimProcess silent({"--silent"});
    LineClient silentClient(silent.DevicePath(), B9600);
    EXPECT_EQ(silentClient.Ask("UE", kQuiet), std::nullopt);
    EXPECT_EQ(silent.Stop(), 0);
    EXPECT_EQ(silent.ReceivedCommands(), (std::vector<std::string>{"UE"}));
    EXPECT_TRUE(silent.SentLines().empty());
}

TEST(SimProcessLine, UnpolledCycleAtSpeedAndTheTranscriptMatchTheWire) {
    // 100 instrument seconds per real second: measuring 12 - 1 - 3 - 2 = 6 s, blanking 2 s, zeroing 3 s.
    SimProcess sim({"--speed", "100", "--averaging", "1", "--blank", "2", "--zero", "3", "--autozero", "12",
                    "--records", "TDZ", "--noise", "--clock", "2005-08-31T23:59:00"});
    LineClient client(sim.DevicePath(), B9600);
    EXPECT_EQ(client.Ask("UB"), "OK");
    // Until the clock has passed midnight and at least two zero periods have ended.
    int zeroRecords = 0;
    bool bNextDay = false;
    std::vector<std::string> lines = ReadUntil(client, [&](const std::string& line) {
        zeroRecords += line[0] == 'Z';
        bNextDay = bNextDay || line.starts_with("T,2005,09,01,");
        return bNextDay && zeroRecords >= 2;
    });
    client.Send("UE");
    std::vector<std::string> tail =
        ReadUntil(client, [](const std::string& line) { return line.ends_with("OK"); });
    ASSERT_FALSE(tail.empty());
    EXPECT_EQ(client.ReadLine(kQuiet), std::nullopt);  // unpolled output has stopped
    lines.insert(lines.end(), tail.begin(), tail.end());
    // The NUL of the line noise sticks to the start of the line after it.
    for (std::string& line : lines)
        if (line.starts_with('\0')) line.erase(0, 1);
    ASSERT_EQ(lines.back(), "OK");

    // Each D record follows the T record of its second; the seconds left are the truth.
    std::vector<std::pair<std::time_t, std::string>> modeAt;  // instrument time; mode and seconds
    std::optional<std::time_t> now;
    std::string modes, noise;
    std::vector<std::string> wire = {"OK"};  // the reply to "UB"
    for (const std::string& line : lines) {
        if (line == "OK" || line[0] == 'T' || line[0] == 'D' || line[0] == 'Z')
            wire.push_back(line);
        else
            noise += line[0];
        if (const auto t = ParseTimeRecord(line)) now = t->instrumentTime;
        const FieldRecord d = ParseDataRecord(line);
        if (line[0] == 'D' && now) {
            ASSERT_TRUE(d.whole) << line;
            if (modes.empty() || modes.back() != d.fields[0][0]) modes += d.fields[0][0];
            modeAt.emplace_back(*now, d.fields[0] + d.fields[1]);
        }
    }
    ASSERT_TRUE(bNextDay);
    ASSERT_GE(zeroRecords, 2);
    for (std::size_t i = 0; i + 1 < modeAt.size(); ++i)
        EXPECT_EQ(modeAt[i + 1].first - modeAt[i].first, 1) << "a second without records at " << i;
    for (std::size_t i = 0; i < modeAt.size(); ++i) {
        const std::size_t left = std::stoul(modeAt[i].second.substr(1));
        if (i + left < modeAt.size()) {
            EXPECT_NE(modeAt[i + left].second[0], modeAt[i].second[0]) << i;
            EXPECT_EQ(modeAt[i + left - 1].second[0], modeAt[i].second[0]) << i;
        }
    }
    EXPECT_NE(modes.find("BZBNBZB"), std::string::npos) << modes;
    EXPECT_NE(noise.find(','), std::string::npos);  // the D record that lost its letter
    EXPECT_NE(client.Raw().find('\0'), std::string::npos);

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(sim.SentLines(), wire);
    EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"UB", "UE"}));
}

TEST(SimProcessLine, BurstSendsNumberedRecordsAndReportsThem) {
    SimProcess sim({"--burst", "3000", "--records", "none"});
    LineClient client(sim.DevicePath(), B9600);
    EXPECT_EQ(client.Ask("UB"), "OK");
    for (std::uint64_t n = 1; n <= 3000; ++n) {
        const FieldRecord d = ParseDataRecord(client.ReadLine(2s).value_or(""));
        ASSERT_TRUE(d.whole) << n;
        ASSERT_EQ(d.fields[2], std::to_string(n));
        ASSERT_EQ(d.fields[7], std::to_string(n));
    }
    EXPECT_EQ(client.ReadLine(kQuiet), std::nullopt);
    EXPECT_EQ(client.Ask("UE"), "OK");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_NE(sim.Output().find("burst sent 3000 of 3000 lines in "), std::string::npos) << sim.Output();
    EXPECT_EQ(sim.SentLines().size(), 3002u);
}

TEST(SimProcessLine, HangupAfterClosesTheLineRemovesTheLinkAndExits) {
    SimProcess sim({"--hangup-after", "3", "--records", "none"});
    LineClient client(sim.DevicePath(), B9600);
    EXPECT_EQ(client.Ask("UE"), "OK");
    EXPECT_EQ(client.Ask("UE"), "OK");
    EXPECT_EQ(client.Ask("RV"), "CVS-1 simulated nephelometer v1.0");
    EXPECT_TRUE(client.WaitForHangup(2s));
    ASSERT_TRUE(sim.WaitForExit(2s));
    EXPECT_EQ(sim.ExitStatus(), 0);
    EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0);
    EXPECT_EQ(sim.SentLines().size(), 3u);
}
