// The fixed device table, which is what a station without a device folder or a port mapping file
// uses: Com ports 1-4 on the built-in ports, 5-12 on USB adapters, 13-16 on USB modems.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "serial/SerialLink.h"

namespace fs = std::filesystem;

class DeviceTableTest : public testing::Test {
protected:
    void SetUp() override {
        unsetenv("CORVANE_DEVICE_DIR");
        // An empty configuration folder: no mapping file either.
        std::string pattern = (fs::temp_directory_path() / "corvane-devices-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_config = pattern;
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(m_config); }
    fs::path m_config;
};

TEST_F(DeviceTableTest, EveryComPortFromOneToSixteenHasItsDevice) {
    const std::pair<std::uint16_t, const char*> rows[] = {
        {1, "/dev/ttyS0"},    {4, "/dev/ttyS3"},    {5, "/dev/ttyUSB0"}, {12, "/dev/ttyUSB7"},
        {13, "/dev/ttyACM0"}, {16, "/dev/ttyACM3"}, {0, ""},             {17, ""}};
    for (const auto& [port, device] : rows) EXPECT_EQ(CSerialLink::DeviceForPort(port), device) << port;
}
