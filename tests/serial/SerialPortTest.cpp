// The port on a real tty (a pseudo-terminal): exclusive opening, closing, and the device disappearing
// during use.
#include <time.h>

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
}  // namespace
