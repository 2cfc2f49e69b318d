// Com port names: the fixed table, the user's ports.conf mapping and CORVANE_DEVICE_DIR, in that order
// of precedence from last to first. (A by-id style link followed at each open is tested with the runs.)
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "SerialTestSupport.h"

namespace {
namespace fs = std::filesystem;

using PortMapTest = SerialPortFixture;

TEST_F(PortMapTest, GoodLinesMapTheirPortsAndEverythingElseFallsBackToTheFixedTable) {
    unsetenv("CORVANE_DEVICE_DIR");
    setenv("XDG_CONFIG_HOME", (m_strDir + "/config").c_str(), 1);
    const std::string mapFile = m_strDir + "/config/corvane/ports.conf";
    fs::create_directories(fs::path(mapFile).parent_path());
    const auto WriteMap = [&](const char* text) { std::ofstream(mapFile) << text; };
    // Without a mapping file: ports 1-4 built in, 5-12 USB adapters, 13-16 USB modems.
    const std::pair<std::uint16_t, const char*> table[] = {
        {1, "/dev/ttyS0"},    {4, "/dev/ttyS3"},    {5, "/dev/ttyUSB0"}, {12, "/dev/ttyUSB7"},
        {13, "/dev/ttyACM0"}, {16, "/dev/ttyACM3"}, {0, ""},             {17, ""}};
    for (const auto& [nPort, device] : table) EXPECT_EQ(CSerialLink::DeviceForPort(nPort), device) << nPort;

    WriteMap(
        "# station 4\n\n  # indented comment\n"
        "COM5=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9XYZ-if00-port0\n"
        " COM6 = /dev/ttyUSB3 \r\n"
        "COM17=/dev/x\nCOM0=/dev/x\nCOM07=/dev/x\ncom7=/dev/x\nCOM8=relative/path\nCOM9\nCOM1=\n"
        "COM10=/first\nCOM10=/second\n");
    EXPECT_EQ(CSerialLink::DeviceForPort(5), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9XYZ-if00-port0");
    EXPECT_EQ(CSerialLink::DeviceForPort(6), "/dev/ttyUSB3");
    EXPECT_EQ(CSerialLink::DeviceForPort(7), "/dev/ttyUSB2");
    EXPECT_EQ(CSerialLink::DeviceForPort(8), "/dev/ttyUSB3");
    EXPECT_EQ(CSerialLink::DeviceForPort(9), "/dev/ttyUSB4");
    EXPECT_EQ(CSerialLink::DeviceForPort(1), "/dev/ttyS0");
    EXPECT_EQ(CSerialLink::DeviceForPort(10), "/second");
    EXPECT_EQ(CSerialLink::DeviceForPort(17), "");

    // Read at each lookup: an edit applies at once.
    WriteMap("COM5=/dev/ttyUSB9\n");
    EXPECT_EQ(CSerialLink::DeviceForPort(5), "/dev/ttyUSB9");
    // The test and simulator folder wins over the file.
    setenv("CORVANE_DEVICE_DIR", m_strDir.c_str(), 1);
    EXPECT_EQ(CSerialLink::DeviceForPort(5), m_strDir + "/COM5");
    unsetenv("CORVANE_DEVICE_DIR");

    // A file that is no mapping file (here a device that never ends) leaves the table in charge.
    fs::remove(mapFile);
    fs::create_symlink("/dev/zero", mapFile);
    EXPECT_EQ(CSerialLink::DeviceForPort(5), "/dev/ttyUSB0");
    fs::remove(mapFile);
    fs::create_directory(mapFile);
    EXPECT_EQ(CSerialLink::DeviceForPort(5), "/dev/ttyUSB0");
    unsetenv("XDG_CONFIG_HOME");
}
}  // namespace
