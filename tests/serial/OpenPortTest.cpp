// Opening with the "UE"/"OK" handshake: fixed rate, the three-rate search, refusals and unusable rates.
#include <memory>

#include "SerialTestSupport.h"

namespace {
using OpenPortTest = SerialPortFixture;

std::vector<speed_t> Speeds(const FakeInstrument& instrument) {
    std::vector<speed_t> speeds;
    for (const auto& command : instrument.Commands()) {
        EXPECT_EQ(command.text, "UE");
        speeds.push_back(command.speed);
    }
    return speeds;
}

TEST_F(OpenPortTest, FixedRateOpensAfterTheHandshake) {
    FakeInstrument instrument(Answers());
    MapPort(6, instrument.DevicePath());
    CSerialLink link;
    link.SetTimeouts(kTestReplyMs, 1000);
    ASSERT_EQ(link.OpenPort(6, 19200), CSerialLink::kOpenOk);
    EXPECT_TRUE(link.IsConnected());
    EXPECT_EQ(link.GetBaudRate(), 19200);
    EXPECT_EQ(link.GetPortNumber(), 6);
    EXPECT_EQ(Speeds(instrument), (std::vector<speed_t>{B19200, B19200}));
    // After the open, commands wait the reply time-out again, not the open one.
    EXPECT_LT(ElapsedMs([&] { link.SendCommand("RT"); }), 900);
}

TEST_F(OpenPortTest, RateSearchStopsAtTheRateTheInstrumentAnswers) {
    const struct {
        speed_t answeredAt;
        std::int16_t nResult;
        std::uint16_t nBaudAfter;
        std::vector<speed_t> tried;
    } rows[] = {
        {B38400, CSerialLink::kOpenOk, 38400, {B9600, B9600, B38400, B38400}},
        {B19200, CSerialLink::kOpenOk, 19200, {B9600, B9600, B38400, B38400, B19200, B19200}},
        {B0, CSerialLink::kOpenNoAnswer, 19200, {B9600, B9600, B38400, B38400, B19200, B19200}},
    };
    for (const auto& row : rows) {
        FakeInstrument instrument([&](const std::string&, speed_t speed) {
            return speed == row.answeredAt ? std::string("OK\r") : std::string();
        });
        MapPort(1, instrument.DevicePath());
        CSerialLink link;
        link.SetTimeouts(kTestReplyMs, kTestOpenMs);
        EXPECT_EQ(link.OpenPort(1, 0), row.nResult) << row.nBaudAfter;
        EXPECT_EQ(link.GetBaudRate(), row.nBaudAfter);
        EXPECT_EQ(Speeds(instrument), row.tried) << row.nBaudAfter;
        EXPECT_EQ(link.IsConnected(), row.nResult == CSerialLink::kOpenOk);
    }
}

TEST_F(OpenPortTest, OnlyAnExactOkToTheSecondUeOpens) {
    const struct {
        const char* first;
        const char* second;
        std::int16_t nResult;
    } rows[] = {
        {"ERROR\r", "OK\r", CSerialLink::kOpenOk},    {"OK\r", "ERROR\r", CSerialLink::kOpenNoAnswer},
        {"OK\r", "ok\r", CSerialLink::kOpenNoAnswer}, {"OK\r", "OK \r", CSerialLink::kOpenNoAnswer},
        {"OK\r", "\nOK\r", CSerialLink::kOpenOk},
    };
    for (const auto& row : rows) {
        // A first, successful open on port 2 sets the port number that a failed open must leave alone.
        FakeInstrument good(Answers());
        CSerialLink link;
        ASSERT_EQ(OpenOn(link, good, 2), CSerialLink::kOpenOk);
        ASSERT_TRUE(link.ClosePort());

        FakeInstrument instrument([&, nSeen = 0](const std::string&, speed_t) mutable {
            return std::string(++nSeen % 2 == 1 ? row.first : row.second);
        });
        MapPort(3, instrument.DevicePath());
        EXPECT_EQ(link.OpenPort(3, 9600), row.nResult) << row.second;
        const bool bOpened = row.nResult == CSerialLink::kOpenOk;
        EXPECT_EQ(link.IsConnected(), bOpened) << row.second;
        EXPECT_EQ(link.GetPortNumber(), bOpened ? 3 : 2) << row.second;
        EXPECT_EQ(CSerialLink::CanOpenPort(3), !bOpened) << row.second;
    }
}

TEST_F(OpenPortTest, RateThePortCannotTakeOpensWithResult3) {
    FakeInstrument instrument(Answers());
    CSerialLink link;
    // The device keeps the settings of an earlier open, at which the instrument still answers.
    ASSERT_EQ(OpenOn(link, instrument), CSerialLink::kOpenOk);
    ASSERT_TRUE(link.ClosePort());
    EXPECT_EQ(link.OpenPort(1, 1200), CSerialLink::kOpenSettingsRefused);
    // The instrument answered, so the port stays open for the caller to close.
    EXPECT_TRUE(link.IsConnected());
    EXPECT_EQ(link.GetBaudRate(), 1200);
    const termios tio = instrument.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_TRUE(link.ClosePort());
}
}  // namespace
