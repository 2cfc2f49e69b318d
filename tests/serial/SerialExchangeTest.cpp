// Command exchanges against a pseudo-terminal instrument: replies, time-outs, left-over lines, the
// version query and over-long commands.
#include <thread>

#include "SerialTestSupport.h"

namespace {
class SerialExchangeTest : public SerialPortFixture {
protected:
    void Open(FakeInstrument::Responder responder) {
        m_pInstrument = std::make_unique<FakeInstrument>(std::move(responder));
        ASSERT_EQ(OpenOn(m_link, *m_pInstrument), CSerialLink::kOpenOk);
    }
    std::vector<std::string> CommandsAfterHandshake() const {
        std::vector<std::string> texts;
        for (const auto& command : m_pInstrument->Commands()) texts.push_back(command.text);
        texts.erase(texts.begin(), texts.begin() + 2);
        return texts;
    }
    std::unique_ptr<FakeInstrument> m_pInstrument;
    CSerialLink m_link;
};

TEST_F(SerialExchangeTest, ReplyIsTheNextLineAfterTheCommand) {
    Open(Answers({{"RV", "V1.05\r"}, {"SMZ5", "OK\r"}}));
    EXPECT_EQ(m_link.SendCommand("RV"), "V1.05");
    EXPECT_EQ(m_link.SendCommand("SMZ%d", 5), "OK");
    // Each command arrives as its own CR LF terminated line.
    EXPECT_EQ(CommandsAfterHandshake(), (std::vector<std::string>{"RV", "SMZ5"}));
}

TEST_F(SerialExchangeTest, SilentInstrumentGivesWriteCommAfterTheTimeout) {
    Open(Answers());
    std::string reply;
    EXPECT_GE(ElapsedMs([&] { reply = m_link.SendCommand("RT"); }), static_cast<long long>(kTestReplyMs));
    EXPECT_EQ(reply, "WriteComm");
}

TEST_F(SerialExchangeTest, ReplyArrivingAfterItsTimeoutIsNeverTheNextReply) {
    Open(Answers());
    EXPECT_EQ(m_link.SendCommand("RD"), "WriteComm");
    m_pInstrument->Send("D1\r");
    ASSERT_TRUE(m_pInstrument->WaitUntilRead());
    // The reader hands the line over right after reading it; this pause only covers that last step.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    // The late line must neither be the next reply nor end the next wait early.
    std::string reply;
    EXPECT_GE(ElapsedMs([&] { reply = m_link.SendCommand("RT"); }), static_cast<long long>(kTestReplyMs));
    EXPECT_EQ(reply, "WriteComm");
}

TEST_F(SerialExchangeTest, VersionIsTheFirstOfSeveralLines) {
    Open(Answers({{"RV", "V1.05\rBuild 7\r"}}));
    EXPECT_EQ(m_link.GetVersion(), "V1.05");
}

TEST_F(SerialExchangeTest, CommandOver255CharactersIsNotSent) {
    Open(Answers({{"STA" + std::string(252, '9'), "OK\r"}}));
    const std::string longest(252, '9');
    EXPECT_EQ(m_link.SendCommand("STA%s", longest.c_str()), "OK");

    const std::string tooLong = longest + "9";
    std::string reply;
    EXPECT_LT(ElapsedMs([&] { reply = m_link.SendCommand("STA%s", tooLong.c_str()); }),
              static_cast<long long>(kTestReplyMs));
    EXPECT_EQ(reply, "WriteComm");
    // Neither the whole command nor its first 255 characters reached the instrument.
    EXPECT_EQ(CommandsAfterHandshake(), std::vector<std::string>{"STA" + longest});
}
}  // namespace
