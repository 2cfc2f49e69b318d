// The instrument's line settings as terminal flags, checked without a device.
#include <gtest/gtest.h>

#include <cstring>

#include "LineSettings.h"

namespace {
// A terminal state with every flag and control character set, so that each cleared flag is seen.
termios Everything() {
    termios tio;
    std::memset(&tio, 0xFF, sizeof tio);
    return tio;
}

TEST(LineSettingsTest, InstrumentDefaultsGiveARawSevenEvenOneLineWithXonXoff) {
    termios tio = Everything();
    ASSERT_TRUE(BuildLineSettings(tio, 9600, 7, 2, 0, 1));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_TRUE(tio.c_cflag & PARENB);
    EXPECT_FALSE(tio.c_cflag & PARODD);
    EXPECT_TRUE(tio.c_iflag & INPCK);
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(tio.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_FALSE(tio.c_iflag & IXANY);
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    // Bytes must arrive untouched: no CR/LF translation, no stripping of bit 7, no echo, no signals.
    EXPECT_FALSE(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IGNBRK | BRKINT | PARMRK));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN));
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST(LineSettingsTest, OnlyTheInstrumentRatesAreAccepted) {
    const struct {
        std::uint32_t dwRate;
        bool bAccepted;
        speed_t speed;
    } rows[] = {{9600, true, B9600}, {19200, true, B19200}, {38400, true, B38400}, {0, false, B0},
                {1200, false, B0},   {57600, false, B0},    {115200, false, B0},   {38401, false, B0}};
    for (const auto& row : rows) {
        termios tio = Everything();
        EXPECT_EQ(BuildLineSettings(tio, row.dwRate, 7, 2, 0, 1), row.bAccepted) << row.dwRate;
        if (row.bAccepted) {
            EXPECT_EQ(cfgetospeed(&tio), row.speed) << row.dwRate;
        }
    }
}
TEST(LineSettingsTest, HeldSettingsMayLackOnlyCharacterSizeAndParity) {
    termios wanted{};
    ASSERT_TRUE(BuildLineSettings(wanted, 9600, 7, 2, 0, 1));
    const struct {
        const char* name;
        void (*change)(termios&);
        bool bHeld;
    } rows[] = {
        {"as wanted", [](termios&) {}, true},
        {"8 bits, no parity", [](termios& t) { t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB)) | CS8; }, true},
        {"other speed", [](termios& t) { cfsetospeed(&t, B19200); }, false},
        {"no XON/XOFF", [](termios& t) { t.c_iflag &= ~(IXON | IXOFF); }, false},
        {"other XOFF character", [](termios& t) { t.c_cc[VSTOP] = 0x14; }, false},
        {"still echoing", [](termios& t) { t.c_lflag |= ECHO; }, false},
        {"RTS/CTS on", [](termios& t) { t.c_cflag |= CRTSCTS; }, false},
    };
    for (const auto& row : rows) {
        termios actual = wanted;
        row.change(actual);
        EXPECT_EQ(LineSettingsHeld(actual, wanted), row.bHeld) << row.name;
    }
}
}  // namespace
