// Command exchanges against a pseudo-terminal instrument: replies, late replies, the version query,
// over-long commands and exchanges cut short by a stop.
#include <future>

#include "SerialTestSupport.h"

namespace {
using SerialExchangeTest = SerialPortFixture;

std::vector<std::string> CommandsAfterHandshake(const FakeInstrument& instrument) {
    std::vector<std::string> texts;
    for (const auto& command : instrument.Commands()) texts.push_back(command.text);
    return {texts.begin() + 2, texts.end()};
}

TEST_F(SerialExchangeTest, ReplyIsTheNextLineInTimeTheVersionTheFirstOfTwoAndOverlongCommandsAreNotSent) {
    const std::string longest(252, '9');
    FakeInstrument instrument(Answers({{"RV", "V1.05\rBuild 7\r"}, {"STA" + longest, "OK\r"}}));
    CSerialLink link;
    ASSERT_EQ(OpenOn(link, instrument), CSerialLink::kOpenOk);
    EXPECT_EQ(link.SendCommand("STA%s", longest.c_str()), "OK");
    const TimedReply reply = SendTimed(link, "STA" + longest + "9");
    EXPECT_EQ(reply.text, "WriteComm");
    EXPECT_LT(reply.nMs, kTestReplyMs);  // refused without waiting
    EXPECT_EQ(link.GetVersion(), "V1.05");
    // Neither the 256-character command nor its first 255 characters reached the instrument.
    EXPECT_EQ(CommandsAfterHandshake(instrument), (std::vector<std::string>{"STA" + longest, "RV"}));

    // A reply after its time-out is neither the next reply nor ends the next wait early.
    for (const char* command : {"RD", "RT"}) {
        const TimedReply silent = SendTimed(link, command);
        EXPECT_EQ(silent.text, "WriteComm");
        EXPECT_GE(silent.nMs, kTestReplyMs);
        ASSERT_TRUE(instrument.SendHandedOver("D1\r"));
    }
}

TEST_F(SerialExchangeTest, CancelledExchangesEndAtOnceSendNothingAndOpenNothingUntilAllowedAgain) {
    FakeInstrument instrument(Answers({{"RV", "V1\r"}}));
    CSerialLink link;
    ASSERT_EQ(OpenOn(link, instrument), CSerialLink::kOpenOk);
    link.SetTimeouts(5000, 5000);
    // A silent instrument: the exchange would wait its 5 s, but a stop cuts it short.
    auto waiting = std::async(std::launch::async, [&] { return SendTimed(link, "RD"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    link.CancelExchanges();
    const TimedReply cut = waiting.get();
    EXPECT_EQ(cut.text, "WriteComm");
    EXPECT_LT(cut.nMs, 2000u);
    const TimedReply next = SendTimed(link, "RV");
    EXPECT_EQ(next.text, "WriteComm");
    EXPECT_LT(next.nMs, 100u);
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(link.OpenPort(1, kInstrumentBaud), CSerialLink::kOpenNoAnswer);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(CommandsAfterHandshake(instrument), std::vector<std::string>{"RD"});

    link.AllowExchanges();
    ASSERT_EQ(OpenOn(link, instrument), CSerialLink::kOpenOk);
    EXPECT_EQ(link.SendCommand("RV"), "V1");
}
}  // namespace
