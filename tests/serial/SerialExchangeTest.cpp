// Command exchanges against a pseudo-terminal instrument: replies, time-outs, left-over lines, the
// version query and over-long commands.
#include <memory>
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
    // A silent instrument: "WriteComm" after the whole time-out.
    void ExpectNoReplyTo(const std::string& command) {
        const TimedReply reply = SendTimed(m_link, command);
        EXPECT_EQ(reply.text, "WriteComm");
        EXPECT_GE(reply.nMs, kTestReplyMs);
    }
    std::unique_ptr<FakeInstrument> m_pInstrument;
    CSerialLink m_link;
};

TEST_F(SerialExchangeTest, ReplyIsTheNextLineAndTheVersionTheFirstOfTwo) {
    Open(Answers({{"RV", "V1.05\rBuild 7\r"}, {"SMZ5", "OK\r"}}));
    EXPECT_EQ(m_link.SendCommand("SMZ%d", 5), "OK");
    EXPECT_EQ(m_link.GetVersion(), "V1.05");
    // Each command arrives as its own CR LF terminated line.
    EXPECT_EQ(CommandsAfterHandshake(), (std::vector<std::string>{"SMZ5", "RV"}));
}

TEST_F(SerialExchangeTest, ReplyArrivingAfterItsTimeoutIsNeverTheNextReply) {
    Open(Answers());
    ExpectNoReplyTo("RD");
    ASSERT_TRUE(m_pInstrument->Send("D1\r"));
    ASSERT_TRUE(m_pInstrument->WaitUntilRead());
    // The reader hands the line over right after reading it; this pause only covers that last step.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The late line must neither be the next reply nor end the next wait early.
    ExpectNoReplyTo("RT");
}

TEST_F(SerialExchangeTest, CommandOver255CharactersIsNotSent) {
    const std::string longest(252, '9');
    Open(Answers({{"STA" + longest, "OK\r"}}));
    EXPECT_EQ(m_link.SendCommand("STA%s", longest.c_str()), "OK");

    const TimedReply reply = SendTimed(m_link, "STA" + longest + "9");
    EXPECT_EQ(reply.text, "WriteComm");
    EXPECT_LT(reply.nMs, kTestReplyMs);  // refused without waiting
    // Neither the whole command nor its first 255 characters reached the instrument.
    EXPECT_EQ(CommandsAfterHandshake(), std::vector<std::string>{"STA" + longest});
}
}  // namespace
