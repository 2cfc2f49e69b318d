// Opening with the "UE"/"OK" handshake: fixed rate, the three-rate search, refusals and unusable ports.
#include <fstream>

#include "SerialTestSupport.h"

namespace {
using OpenPortTest = SerialPortFixture;

std::vector<speed_t> HandshakeSpeeds(const FakeInstrument& instrument) {
    std::vector<speed_t> speeds;
    for (const auto& command : instrument.Commands()) {
        EXPECT_EQ(command.text, "UE");
        speeds.push_back(command.speed);
    }
    return speeds;
}

TEST_F(OpenPortTest, FixedRateOpensAfterTheHandshakeAndARateThePortCannotTakeLeavesItOpenWithResult3) {
    FakeInstrument instrument(Answers());
    MapPort(6, instrument.DevicePath());
    CSerialLink link;
    link.SetTimeouts(kTestReplyMs, 1000);
    ASSERT_EQ(link.OpenPort(6, 19200), CSerialLink::kOpenOk);
    EXPECT_EQ(HandshakeSpeeds(instrument), (std::vector<speed_t>{B19200, B19200}));
    EXPECT_LT(SendTimed(link, "RT").nMs, 900u);  // commands wait the reply time-out again

    // The device keeps the settings of that open, at which the instrument still answers.
    ASSERT_TRUE(link.ClosePort());
    EXPECT_EQ(link.OpenPort(6, 1200), CSerialLink::kOpenSettingsRefused);
    EXPECT_EQ(link.GetBaudRate(), 1200);
    EXPECT_TRUE(link.ClosePort());  // the instrument answered: the caller closes the port
}

TEST_F(OpenPortTest, RateSearchStopsAtTheRateTheInstrumentAnswers) {
    const struct {
        speed_t answeredAt;
        std::int16_t nResult;
        std::uint16_t nBaudAfter;
        std::vector<speed_t> tried;
    } rows[] = {
        {B38400, CSerialLink::kOpenOk, 38400, {B9600, B9600, B38400, B38400}},
        {B0, CSerialLink::kOpenNoAnswer, 19200, {B9600, B9600, B38400, B38400, B19200, B19200}},
    };
    for (const auto& row : rows) {
        FakeInstrument instrument([&](const std::string&, speed_t speed) {
            return speed == row.answeredAt ? std::string("OK\r") : std::string();
        });
        CSerialLink link;
        EXPECT_EQ(OpenOn(link, instrument, 1, 0), row.nResult) << row.nBaudAfter;
        EXPECT_EQ(link.GetBaudRate(), row.nBaudAfter);
        EXPECT_EQ(HandshakeSpeeds(instrument), row.tried) << row.nBaudAfter;
    }
}

TEST_F(OpenPortTest, OnlyAnExactOkToTheSecondUeOpensAndARefusedPortIsClosedKeepingThePortNumber) {
    const struct {
        const char* first;
        const char* second;
        std::int16_t nResult;
    } rows[] = {
        {"OK\r", "ERROR\r", CSerialLink::kOpenNoAnswer}, {"ERROR\r", "OK\r", CSerialLink::kOpenOk},
        {"OK\r", "ok\r", CSerialLink::kOpenNoAnswer},    {"OK\r", "OK \r", CSerialLink::kOpenNoAnswer},
        {"OK\r", "\nOK\r", CSerialLink::kOpenOk},
    };
    CSerialLink link;
    std::uint16_t nPort = 2;
    for (const auto& row : rows) {
        FakeInstrument instrument([&, nSeen = 0](const std::string&, speed_t) mutable {
            return std::string(++nSeen % 2 == 1 ? row.first : row.second);
        });
        const std::uint16_t nLastOpened = link.GetPortNumber();
        EXPECT_EQ(OpenOn(link, instrument, ++nPort), row.nResult) << row.second;
        const bool bOpened = row.nResult == CSerialLink::kOpenOk;
        EXPECT_EQ(CSerialLink::CanOpenPort(nPort), !bOpened) << row.second;
        EXPECT_EQ(link.GetPortNumber(), bOpened ? nPort : nLastOpened) << row.second;
        link.ClosePort();
    }
}

TEST_F(OpenPortTest, PortsWithoutAUsableDeviceDoNotOpen) {
    FakeInstrument instrument(Answers());
    // Ports 0 and 17 name a working device, yet are outside the range; port 2 names nothing; port 3 is
    // not a terminal.
    MapPort(0, instrument.DevicePath());
    MapPort(17, instrument.DevicePath());
    std::ofstream(m_strDir + "/plain") << "x";
    MapPort(3, m_strDir + "/plain");
    for (const std::uint16_t nPort : {0, 17, 2, 3}) {
        CSerialLink link;
        link.SetTimeouts(kTestReplyMs, kTestOpenMs);
        EXPECT_EQ(link.OpenPort(nPort, 9600), CSerialLink::kOpenNoDevice) << nPort;
        EXPECT_EQ(link.GetPortNumber(), 0) << nPort;
        EXPECT_FALSE(CSerialLink::CanOpenPort(nPort)) << nPort;
    }
    EXPECT_TRUE(instrument.Commands().empty());
}

}  // namespace
