// The port on a real tty (a pseudo-terminal): device names, exclusive opening, closing, the line
// settings on the device, and the device disappearing during use.
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <thread>

#include "SerialTestSupport.h"

namespace {
using SerialPortTest = SerialPortFixture;

TEST(DeviceForPortTest, FixedTableWithoutDeviceFolder) {
    unsetenv("CORVANE_DEVICE_DIR");
    const struct {
        std::uint16_t nPort;
        const char* device;
    } rows[] = {{0, ""},
                {1, "/dev/ttyS0"},
                {4, "/dev/ttyS3"},
                {5, "/dev/ttyUSB0"},
                {12, "/dev/ttyUSB7"},
                {13, "/dev/ttyACM0"},
                {16, "/dev/ttyACM3"},
                {17, ""},
                {65535, ""}};
    for (const auto& row : rows) EXPECT_EQ(CSerialLink::DeviceForPort(row.nPort), row.device) << row.nPort;
}

TEST_F(SerialPortTest, DeviceFolderNamesPortsOneToSixteen) {
    EXPECT_EQ(CSerialLink::DeviceForPort(7), m_strDir + "/COM7");
    EXPECT_EQ(CSerialLink::DeviceForPort(16), m_strDir + "/COM16");
    EXPECT_EQ(CSerialLink::DeviceForPort(0), "");
    EXPECT_EQ(CSerialLink::DeviceForPort(17), "");
}

TEST_F(SerialPortTest, PortsWithoutAUsableDeviceDoNotOpen) {
    FakeInstrument instrument(Answers());
    // Ports 0 and 17 name a working device, yet are outside the range; port 2 names nothing; port 3 is
    // not a terminal.
    MapPort(0, instrument.DevicePath());
    MapPort(17, instrument.DevicePath());
    const std::string plainFile = m_strDir + "/plain";
    std::ofstream(plainFile) << "x";
    MapPort(3, plainFile);
    for (const std::uint16_t nPort : {0, 17, 2, 3}) {
        CSerialLink link;
        link.SetTimeouts(kTestReplyMs, kTestOpenMs);
        EXPECT_EQ(link.OpenPort(nPort, 9600), CSerialLink::kOpenNoDevice) << nPort;
        EXPECT_FALSE(link.IsConnected()) << nPort;
        EXPECT_EQ(link.GetPortNumber(), 0) << nPort;
        EXPECT_FALSE(CSerialLink::CanOpenPort(nPort)) << nPort;
    }
    EXPECT_TRUE(instrument.Commands().empty());
}

TEST_F(SerialPortTest, HeldPortIsRefusedToAnotherLinkAndAnotherProcess) {
    FakeInstrument instrument(Answers());
    CSerialLink holder;
    ASSERT_EQ(OpenOn(holder, instrument, 1), CSerialLink::kOpenOk);
    MapPort(2, instrument.DevicePath());

    CSerialLink other;
    other.SetTimeouts(kTestReplyMs, kTestOpenMs);
    EXPECT_EQ(other.OpenPort(1, 9600), CSerialLink::kOpenNoDevice);
    // The lock is on the device, not on its name.
    EXPECT_EQ(other.OpenPort(2, 9600), CSerialLink::kOpenNoDevice);
    EXPECT_FALSE(other.IsConnected());
    EXPECT_FALSE(CSerialLink::CanOpenPort(1));
    EXPECT_FALSE(OtherProgramCanOpen(instrument));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CSerialLink link;
        link.SetTimeouts(kTestReplyMs, kTestOpenMs);
        _exit(link.OpenPort(1, 9600));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), CSerialLink::kOpenNoDevice);

    // The holder is undisturbed, and once it lets go the port is free.
    EXPECT_TRUE(holder.IsConnected());
    EXPECT_TRUE(holder.ClosePort());
    EXPECT_TRUE(CSerialLink::CanOpenPort(1));
    EXPECT_EQ(other.OpenPort(2, 9600), CSerialLink::kOpenOk);
}

TEST_F(SerialPortTest, ClosingEndsTheReaderAndThePortOpensAgain) {
    FakeInstrument instrument(Answers());
    CSerialLink link;
    EXPECT_FALSE(link.ClosePort());
    const std::size_t nThreads = ThreadCount();
    ASSERT_EQ(OpenOn(link, instrument, 4), CSerialLink::kOpenOk);
    EXPECT_EQ(ThreadCount(), nThreads + 1);

    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(ThreadCount(), nThreads);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_FALSE(link.ClosePort());
    EXPECT_EQ(link.GetPortNumber(), 4);
    EXPECT_TRUE(CSerialLink::CanOpenPort(4));
    // The terminal's exclusive mode ends with the close.
    EXPECT_TRUE(OtherProgramCanOpen(instrument));

    EXPECT_EQ(link.OpenPort(4, 9600), CSerialLink::kOpenOk);
    EXPECT_TRUE(link.IsConnected());
}

TEST_F(SerialPortTest, LineSettingsReachTheDevice) {
    FakeInstrument instrument(Answers());
    CSerialLink link;
    MapPort(1, instrument.DevicePath());
    link.SetTimeouts(kTestReplyMs, kTestOpenMs);
    ASSERT_EQ(link.OpenPort(1, 38400), CSerialLink::kOpenOk);
    // A pseudo-terminal keeps the speed and the flow control; it reports 8 data bits without parity.
    const termios tio = instrument.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_FALSE(tio.c_iflag & IXANY);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
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
    EXPECT_FALSE(link.IsLinkLost());

    instrument->Hangup();
    const auto events = owner.WaitForEvents(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].wParam, kCommEventLinkLost);
    EXPECT_TRUE(link.IsLinkLost());

    // Over the next second the process must stay nearly idle: the reader has stopped, not spinning.
    const long long nCpuBefore = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(ProcessCpuMs() - nCpuBefore, 50);
    EXPECT_EQ(owner.Parameters().size(), 1u);

    // A command on the lost link has no reply and does not wait for one.
    std::string reply;
    EXPECT_LT(ElapsedMs([&] { reply = link.SendCommand("RV"); }), static_cast<long long>(kTestReplyMs));
    EXPECT_EQ(reply, "WriteComm");
    EXPECT_TRUE(link.ClosePort());
    EXPECT_FALSE(link.IsConnected());

    instrument = std::make_unique<FakeInstrument>(Answers({{"RV", "V2\r"}}));
    MapPort(5, instrument->DevicePath());
    ASSERT_EQ(link.OpenPort(5, 9600), CSerialLink::kOpenOk);
    EXPECT_FALSE(link.IsLinkLost());
    EXPECT_EQ(link.SendCommand("RV"), "V2");
    EXPECT_EQ(owner.Parameters().size(), 1u);
}
}  // namespace
