// Unpolled mode: every line waits, in arrival order and stamped with its arrival, until the owner takes
// all waiting lines at once; one notification stands for the lines that arrive before the owner has
// taken them.
#include "SerialTestSupport.h"

namespace {
constexpr std::size_t kQueued = 8192;  // lines the link holds before it stops reading

// Takes lines at each notification until n have come (or none comes within the owner's time-out).
std::vector<std::string> TakeLines(CSerialLink& link, RecordingOwner& owner, std::size_t n) {
    std::vector<std::string> lines;
    for (std::size_t events = 1; lines.size() < n; ++events) {
        if (owner.WaitForEvents(events).size() < events) break;
        for (ReceivedLine& line : link.TakeRecordLines()) lines.push_back(std::move(line.text));
    }
    return lines;
}

std::vector<std::string> Texts(const std::vector<ReceivedLine>& lines) {
    std::vector<std::string> texts;
    for (const ReceivedLine& line : lines) texts.push_back(line.text);
    return texts;
}

// "D<first>\r" to "D<last - 1>\r".
std::string NumberedLines(std::size_t first, std::size_t last) {
    std::string stream;
    for (std::size_t i = first; i < last; ++i) stream += "D" + std::to_string(i) + "\r";
    return stream;
}

class UnpolledRecordsTest : public SerialPortFixture {
protected:
    void SetUp() override {
        SerialPortFixture::SetUp();
        m_link.SetOwnerWindow(&m_owner);
        ASSERT_EQ(OpenOn(m_link, m_instrument), CSerialLink::kOpenOk);
        m_link.SetUnpolled(true);
    }
    RecordingOwner m_owner;
    CSerialLink m_link;
    FakeInstrument m_instrument{Answers()};
};

TEST_F(UnpolledRecordsTest, EveryLineWaitsInArrivalOrderAndCommandsGetNoReply) {
    const auto before = std::chrono::system_clock::now();
    m_instrument.Send("T1\r");
    ASSERT_EQ(m_owner.WaitForEvents(1).size(), 1u);
    const std::vector<ReceivedLine> first = m_link.TakeRecordLines();
    ASSERT_EQ(Texts(first), std::vector<std::string>{"T1"});
    // Each line carries the PC's time its CR arrived.
    EXPECT_GE(first[0].arrival, before);
    EXPECT_LE(first[0].arrival, std::chrono::system_clock::now());

    m_instrument.Send("D1,2\rOK\rT5\r\x80x\r\xffy\r");
    m_instrument.Send("\nD3\rERROR\r");
    EXPECT_EQ(TakeLines(m_link, m_owner, 7),
              (std::vector<std::string>{"D1,2", "OK", "T5", "\x80x", "\xffy", "D3", "ERROR"}));
    const std::size_t nEvents = m_owner.WaitForEvents(0).size();
    EXPECT_TRUE(m_link.TakeRecordLines().empty());

    // An answer is a line like any other: the command waits in vain, the answer waits for the owner.
    const TimedReply reply = SendTimed(m_link, "UE");
    EXPECT_EQ(reply.text, "WriteComm");
    EXPECT_GE(reply.nMs, kTestReplyMs);
    EXPECT_EQ(m_owner.WaitForEvents(nEvents + 1).size(), nEvents + 1);
    EXPECT_EQ(Texts(m_link.TakeRecordLines()), std::vector<std::string>{"OK"});
    // Back in polled mode the next answer is a reply again.
    m_link.SetUnpolled(false);
    EXPECT_EQ(m_link.SendCommand("UE"), "OK");
    const std::vector<std::uint16_t> events = m_owner.WaitForEvents(0);
    EXPECT_EQ(events, std::vector<std::uint16_t>(nEvents + 1, kCommEventLines));
}

TEST_F(UnpolledRecordsTest, FullQueueHoldsTheReaderBackLosesNothingAndStillCloses) {
    ASSERT_TRUE(m_instrument.SendHandedOver(NumberedLines(0, kQueued)));
    // With the queue full, the reader must hold the next lines back.
    EXPECT_FALSE(m_instrument.SendHandedOver(NumberedLines(kQueued, kQueued + 6) + "Z1\r",
                                             std::chrono::milliseconds(300)));
    std::vector<std::string> lines = Texts(m_link.TakeRecordLines());
    ASSERT_EQ(lines.size(), kQueued);
    for (std::string& line : TakeLines(m_link, m_owner, 7)) lines.push_back(std::move(line));
    ASSERT_EQ(lines.size(), kQueued + 7);
    for (std::size_t i = 0; i < kQueued + 6; ++i) ASSERT_EQ(lines[i], "D" + std::to_string(i));
    EXPECT_EQ(lines.back(), "Z1");

    // Held back by a full queue again, the reader still ends when the port is closed.
    const std::size_t nEvents = m_owner.WaitForEvents(0).size();
    m_instrument.Send(NumberedLines(0, kQueued + 50));
    ASSERT_EQ(m_owner.WaitForEvents(nEvents + 1).size(), nEvents + 1);
    EXPECT_TRUE(m_link.ClosePort());
}
}  // namespace
