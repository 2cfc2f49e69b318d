// The port on a real tty (a pseudo-terminal): exclusive opening, closing, and the device disappearing
// during use.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <memory>

#include "SerialTestSupport.h"

namespace {
using SerialPortTest = SerialPortFixture;

TEST_F(SerialPortTest, HeldPortIsRefusedToAnotherLinkAndProgramUntilClosed) {
    FakeInstrument instrument(Answers());
    CSerialLink holder;
    ASSERT_EQ(OpenOn(holder, instrument, 1), CSerialLink::kOpenOk);
    CSerialLink other;
    other.SetTimeouts(kTestReplyMs, kTestOpenMs);
    // The lock is on the device, not on its name.
    MapPort(2, instrument.DevicePath());
    EXPECT_EQ(other.OpenPort(2, 9600), CSerialLink::kOpenNoDevice);
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

// A process of its own that opens the device plainly, as a terminal program left running does, and
// keeps it until Release.
class OtherHolder {
public:
    explicit OtherHolder(const std::string& path) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(m_release) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
            char byte = fd >= 0 ? '1' : '0';
            if (write(ready[1], &byte, 1) == 1) (void)!read(m_release[0], &byte, 1);
            _exit(0);
        }
        char byte = '0';
        m_bHolding = m_pid > 0 && read(ready[0], &byte, 1) == 1 && byte == '1';
        close(ready[0]);
        close(ready[1]);
    }
    ~OtherHolder() { Release(); }
    bool IsHolding() const { return m_bHolding; }
    void Release() {
        if (m_pid <= 0) return;
        (void)!write(m_release[1], "x", 1);
        waitpid(m_pid, nullptr, 0);
        close(m_release[0]);
        close(m_release[1]);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_release[2] = {-1, -1};
    bool m_bHolding = false;
};

TEST_F(SerialPortTest, PortAlreadyOpenInAnotherProcessIsRefusedAndNotListedUntilReleased) {
    FakeInstrument instrument(Answers());
    MapPort(4, instrument.DevicePath());
    OtherHolder holder(instrument.DevicePath());
    ASSERT_TRUE(holder.IsHolding());
    CSerialLink link;
    link.SetTimeouts(kTestReplyMs, kTestOpenMs);
    EXPECT_EQ(link.OpenPort(4, 9600), CSerialLink::kOpenNoDevice);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_FALSE(CSerialLink::CanOpenPort(4));
    EXPECT_TRUE(instrument.Commands().empty());  // nothing was sent into the other program's line

    holder.Release();
    EXPECT_TRUE(CSerialLink::CanOpenPort(4));
    EXPECT_EQ(link.OpenPort(4, 9600), CSerialLink::kOpenOk);
}

long long ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

TEST_F(SerialPortTest, HangUpIsReportedOnceWithoutSpinningAndThePortOpensWhenBack) {
    RecordingOwner owner;
    CSerialLink link;
    link.SetOwnerWindow(&owner);
    auto instrument = std::make_unique<FakeInstrument>(Answers());
    ASSERT_EQ(OpenOn(link, *instrument, 5), CSerialLink::kOpenOk);

    instrument->Hangup();
    EXPECT_EQ(owner.WaitForEvents(1), std::vector<std::uint16_t>{kCommEventLinkLost});
    EXPECT_TRUE(link.IsLinkLost());
    // Over the next half second the process must stay nearly idle: the reader has stopped, not spinning.
    const long long nCpuBefore = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LT(ProcessCpuMs() - nCpuBefore, 50);
    // A command on the lost link has no reply and does not wait for one.
    const TimedReply reply = SendTimed(link, "RV");
    EXPECT_EQ(reply.text, "WriteComm");
    EXPECT_LT(reply.nMs, kTestReplyMs);
    EXPECT_TRUE(link.ClosePort());

    instrument = std::make_unique<FakeInstrument>(Answers({{"RV", "V2\r"}}));
    ASSERT_EQ(OpenOn(link, *instrument, 5), CSerialLink::kOpenOk);
    EXPECT_FALSE(link.IsLinkLost());
    EXPECT_EQ(link.SendCommand("RV"), "V2");
    EXPECT_EQ(owner.WaitForEvents(1).size(), 1u);
}
}  // namespace
