// The port on a real tty (a pseudo-terminal): exclusive opening and closing; command exchanges with
// replies, late replies, the version query, over-long commands and exchanges cut short by a stop; and
// the device disappearing during use.
#include <time.h>

#include <future>

#include "SerialTestSupport.h"

namespace {
using SerialPortTest = SerialPortFixture;

TEST_F(SerialPortTest, HeldPortIsRefusedToAnotherLinkAndProgramUntilClosed) {
    FakeInstrument instrument(Answers());
    CSerialLink holder;
    ASSERT_EQ(OpenOn(holder, instrument, 1), CSerialLink::kOpenOk);
    CSerialLink other;
    // The lock is on the device, not on its name.
    EXPECT_EQ(OpenOn(other, instrument, 2), CSerialLink::kOpenNoDevice);
    EXPECT_FALSE(CSerialLink::CanOpenPort(1));
    EXPECT_FALSE(OtherProgramCanOpen(instrument));
    EXPECT_EQ(holder.SendCommand("UE"), "OK");  // the refused attempts left the holder undisturbed

    // Closing frees the device, also from the terminal's exclusive mode, and keeps the port number.
    EXPECT_TRUE(holder.ClosePort());
    EXPECT_FALSE(holder.ClosePort());
    EXPECT_EQ(holder.GetPortNumber(), 1);
    EXPECT_TRUE(OtherProgramCanOpen(instrument));
    EXPECT_EQ(other.OpenPort(2, 9600), CSerialLink::kOpenOk);
}

long long ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

// Opening the port again once the device is back is covered by the reconnecting runs.
TEST_F(SerialPortTest, HangUpIsReportedOnceWithoutSpinningAndCommandsFailAtOnce) {
    RecordingOwner owner;
    CSerialLink link;
    link.SetOwnerWindow(&owner);
    FakeInstrument instrument(Answers());
    ASSERT_EQ(OpenOn(link, instrument, 5), CSerialLink::kOpenOk);

    instrument.Hangup();
    ASSERT_EQ(owner.WaitForEvents(1).size(), 1u);
    EXPECT_TRUE(link.IsLinkLost());
    // Over the next half second the process must stay nearly idle: the reader has stopped, not spinning.
    const long long nCpuBefore = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LT(ProcessCpuMs() - nCpuBefore, 50);
    EXPECT_EQ(owner.WaitForEvents(0), std::vector<std::uint16_t>{kCommEventLinkLost});
    // A command on the lost link has no reply and does not wait for one.
    const TimedReply reply = SendTimed(link, "RV");
    EXPECT_EQ(reply.text, "WriteComm");
    EXPECT_LT(reply.nMs, kTestReplyMs);
    EXPECT_TRUE(link.ClosePort());
}

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
    // A reply after its time-out is neither the next reply nor ends the next wait early.
    for (const char* command : {"RD", "RT"}) {
        const TimedReply silent = SendTimed(link, command);
        EXPECT_EQ(silent.text, "WriteComm");
        EXPECT_GE(silent.nMs, kTestReplyMs);
        ASSERT_TRUE(instrument.SendHandedOver("D1\r"));
    }
    EXPECT_EQ(link.SendCommand("STA%s", longest.c_str()), "OK");
    const TimedReply reply = SendTimed(link, "STA" + longest + "9");
    EXPECT_EQ(reply.text, "WriteComm");
    EXPECT_LT(reply.nMs, kTestReplyMs);  // refused without waiting
    EXPECT_EQ(link.GetVersion(), "V1.05");
    // Neither the 256-character command nor its first 255 characters reached the instrument.
    EXPECT_EQ(CommandsAfterHandshake(instrument), (std::vector<std::string>{"RD", "RT", "STA" + longest, "RV"}));
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
