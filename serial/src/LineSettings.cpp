// The instrument's line settings as termios flags.
#include "LineSettings.h"

#include <initializer_list>

namespace {
constexpr cc_t kXon = 0x11;
constexpr cc_t kXoff = 0x13;

bool SpeedFor(std::uint32_t dwBaudRate, speed_t& speed) {
    switch (dwBaudRate) {
        case 9600:
            speed = B9600;
            return true;
        case 19200:
            speed = B19200;
            return true;
        case 38400:
            speed = B38400;
            return true;
        default:
            return false;
    }
}

bool CharacterSizeFor(std::uint8_t byByteSize, tcflag_t& size) {
    switch (byByteSize) {
        case 5:
            size = CS5;
            return true;
        case 6:
            size = CS6;
            return true;
        case 7:
            size = CS7;
            return true;
        case 8:
            size = CS8;
            return true;
        default:
            return false;
    }
}
}  // namespace

bool BuildLineSettings(termios& tio, std::uint32_t dwBaudRate, std::uint8_t byByteSize, Parity parity,
                       StopBits stopBits, std::uint8_t byFlowCtrl) {
    speed_t speed;
    tcflag_t size;
    if (!SpeedFor(dwBaudRate, speed) || !CharacterSizeFor(byByteSize, size)) return false;
    if (parity == Parity::Mark || parity == Parity::Space || stopBits == StopBits::OneAndHalf ||
        (byFlowCtrl & FlowControl::kDtrDsr) != 0)
        return false;

    // Raw: no echo, no line editing, no signals, no CR/LF translation, no output processing. Bytes that
    // fail the parity check arrive as NUL, which the line cutter drops. No ISTRIP: bytes 0x80-0xFF are
    // passed on as received.
    tio.c_iflag &=
        ~(IGNBRK | BRKINT | IGNPAR | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= size | CREAD | CLOCAL;
    if (parity != Parity::None) {
        tio.c_cflag |= PARENB | (parity == Parity::Odd ? PARODD : 0);
        tio.c_iflag |= INPCK;
    } else {
        tio.c_iflag &= ~INPCK;
    }
    if (stopBits == StopBits::Two) tio.c_cflag |= CSTOPB;
    if (byFlowCtrl & FlowControl::kXonXoff) tio.c_iflag |= IXON | IXOFF;
    if (byFlowCtrl & FlowControl::kRtsCts) tio.c_cflag |= CRTSCTS;
    tio.c_cc[VSTART] = kXon;
    tio.c_cc[VSTOP] = kXoff;
    // A read returns at once with what is queued.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return cfsetispeed(&tio, speed) == 0 && cfsetospeed(&tio, speed) == 0;
}

bool LineSettingsHeld(const termios& actual, const termios& wanted) {
    constexpr tcflag_t kCharacterFormat = CSIZE | PARENB | PARODD;
    for (const int index : {VSTART, VSTOP, VMIN, VTIME}) {
        if (actual.c_cc[index] != wanted.c_cc[index]) return false;
    }
    return actual.c_iflag == wanted.c_iflag && actual.c_oflag == wanted.c_oflag &&
           actual.c_lflag == wanted.c_lflag &&
           (actual.c_cflag & ~kCharacterFormat) == (wanted.c_cflag & ~kCharacterFormat) &&
           cfgetispeed(&actual) == cfgetispeed(&wanted) && cfgetospeed(&actual) == cfgetospeed(&wanted);
}
