// Unpolled mode: every line is notified with its first character and record lines wait, per letter and
// in arrival order, until the owner takes them.
#include "SerialTestSupport.h"

namespace {
constexpr std::uint32_t kMessage = 0xC0DE;

class UnpolledRecordsTest : public SerialPortFixture {
protected:
    void SetUp() override {
        SerialPortFixture::SetUp();
        m_link.SetOwnerWindow(&m_owner);
        m_link.SetCommEventMessage(kMessage);
        ASSERT_EQ(OpenOn(m_link, m_instrument), CSerialLink::kOpenOk);
        m_link.SetUnpolled(true);
    }
    std::vector<std::string> TakeAll(char letter) {
        std::vector<std::string> lines;
        for (std::string line; m_link.TakeRecordLine(letter, line);) lines.push_back(line);
        return lines;
    }
    RecordingOwner m_owner{kMessage};
    CSerialLink m_link;
    FakeInstrument m_instrument{Answers()};
};

TEST_F(UnpolledRecordsTest, EveryLineIsNotifiedRecordLinesWaitInOrderAndCommandsGetNoReply) {
    m_instrument.Send("D1,2\rOK\rT5\r\x80x\r\xffy\r");
    m_instrument.Send("\nD3\rERROR\r");
    EXPECT_EQ(m_owner.WaitForEvents(7),
              (std::vector<std::uint16_t>{'D', 'O', 'T', 0xFF80, 0xFFFF, 'D', 'E'}));
    // The second D line came before the first was taken: both are delivered, oldest first.
    EXPECT_EQ(TakeAll('D'), (std::vector<std::string>{"D1,2", "D3"}));
    EXPECT_EQ(TakeAll('T'), std::vector<std::string>{"T5"});
    for (const char letter : {'D', 'O', 'E', 'B', 'x'}) EXPECT_EQ(TakeAll(letter).size(), 0u) << letter;

    // An answer is a record line too: the command waits in vain, the answer is notified with its letter.
    const TimedReply reply = SendTimed(m_link, "UE");
    EXPECT_EQ(reply.text, "WriteComm");
    EXPECT_GE(reply.nMs, kTestReplyMs);
    EXPECT_EQ(m_owner.WaitForEvents(8).back(), 'O');
    // Back in polled mode the next answer is a reply again.
    m_link.SetUnpolled(false);
    EXPECT_EQ(m_link.SendCommand("UE"), "OK");
    EXPECT_EQ(m_owner.WaitForEvents(8).size(), 8u);
}

TEST_F(UnpolledRecordsTest, FullQueueHoldsTheReaderBackLosesNothingAndStillCloses) {
    constexpr std::size_t kSent = 1030;
    constexpr std::size_t kQueued = 1024;
    std::string stream;
    for (std::size_t i = 0; i < kSent + kQueued + 50; ++i) stream += "D" + std::to_string(i) + "\r";
    m_instrument.Send(stream.substr(0, stream.find("D1030\r")) + "Z1\r");
    // The reader stops at a full queue; the rest of the stream waits on the line.
    ASSERT_EQ(m_owner.WaitForEvents(kQueued).size(), kQueued);
    EXPECT_EQ(m_owner.WaitForEvents(kQueued + 1, std::chrono::milliseconds(100)).size(), kQueued);
    std::vector<std::string> lines = TakeAll('D');
    ASSERT_EQ(m_owner.WaitForEvents(kSent + 1).size(), kSent + 1);
    for (const std::string& line : TakeAll('D')) lines.push_back(line);
    ASSERT_EQ(lines.size(), kSent);
    for (std::size_t i = 0; i < kSent; ++i) ASSERT_EQ(lines[i], "D" + std::to_string(i));
    EXPECT_EQ(TakeAll('Z'), std::vector<std::string>{"Z1"});

    // Held back by a full queue again, the reader still ends when the port is closed.
    m_instrument.Send(stream.substr(stream.find("D1030\r")));
    ASSERT_EQ(m_owner.WaitForEvents(kSent + 1 + kQueued).size(), kSent + 1 + kQueued);
    EXPECT_TRUE(m_link.ClosePort());
}

TEST_F(UnpolledRecordsTest, CrFirstAfterOpeningIsAnEmptyLineNotifiedWithZero) {
    // Unpolled from the start, the handshake's answers are records, so the open itself fails.
    FakeInstrument instrument(Answers({{"UE", "\rOK\r"}}));
    CSerialLink link;
    RecordingOwner owner;
    link.SetOwnerWindow(&owner);
    link.SetUnpolled(true);
    EXPECT_EQ(OpenOn(link, instrument, 2), CSerialLink::kOpenNoAnswer);
    EXPECT_EQ(owner.WaitForEvents(3), (std::vector<std::uint16_t>{0, 'O', 'O'}));
}
}  // namespace
