// The instrument's line settings as terminal flags, checked without a device.
#include <gtest/gtest.h>

#include <cstring>

#include "LineSettings.h"

namespace {
TEST(LineSettingsTest, InstrumentDefaultsGiveARawSevenEvenOneLineWithXonXoff) {
    termios tio;
    std::memset(&tio, 0xFF, sizeof tio);  // every flag set, so that each cleared one is seen
    ASSERT_TRUE(BuildLineSettings(tio, 9600, 7, Parity::Even, StopBits::One, FlowControl::kXonXoff));
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CREAD | CLOCAL | CRTSCTS),
              static_cast<tcflag_t>(CS7 | PARENB | CREAD | CLOCAL));
    EXPECT_EQ(tio.c_iflag & (INPCK | IXON | IXOFF | IXANY), static_cast<tcflag_t>(INPCK | IXON | IXOFF));
    // Bytes must arrive untouched: no CR/LF translation, no stripping of bit 7, no echo, no signals.
    EXPECT_FALSE(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IGNBRK | BRKINT | PARMRK));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN));
    EXPECT_TRUE(tio.c_cc[VMIN] == 0 && tio.c_cc[VTIME] == 0);
}

TEST(LineSettingsTest, HeldSettingsMayLackOnlyCharacterSizeAndParity) {
    termios wanted{};
    ASSERT_TRUE(BuildLineSettings(wanted, 9600, 7, Parity::Even, StopBits::One, FlowControl::kXonXoff));
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
