// The link's device-free pieces: line cutting, whose lines must not depend on how the byte stream was
// split into reads, and the instrument's line settings as terminal flags.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "serial/LineCutter.h"

namespace {
using Lines = std::vector<std::string>;
using Chunks = std::vector<std::string>;

// The ways one stream is split into reads: whole, at every single point (short streams), and in pieces
// of fixed sizes from one byte to around the read size.
std::vector<Chunks> Chunkings(const std::string& stream) {
    std::vector<Chunks> chunkings{{stream}};
    for (std::size_t split = 1; stream.size() <= 64 && split < stream.size(); ++split)
        chunkings.push_back({stream.substr(0, split), stream.substr(split)});
    for (const std::size_t size : {1, 2, 3, 7, 4095, 4096, 4097}) {
        Chunks chunks;
        for (std::size_t at = 0; at < stream.size(); at += size) chunks.push_back(stream.substr(at, size));
        chunkings.push_back(chunks);
    }
    return chunkings;
}

const std::string kLongest(LineCutter::kMaxLineLength, 'x');

const struct {
    const char* name;
    std::string stream;
    Lines lines;
    std::size_t nDiscarded;
} kCases[] = {
    {"record completed by a later read", "D1,2,3\r", {"D1,2,3"}, 0},
    {"CR LF endings: no line begins with LF", "T1\r\nD2\r\n", {"T1", "D2"}, 0},
    {"CR CR LF LF gives no empty line", "A\r\r\n\nB\r", {"A", "B"}, 0},
    {"CR first after opening is one empty line", "\r\nX\r", {"", "X"}, 0},
    {"NUL bytes alone are dropped", std::string("A\0B\rC\0\r", 7), {"AB", "C"}, 0},
    {"NUL between CR and LF does not end the skip", std::string("A\r\0\nB\r", 6), {"A", "B"}, 0},
    {"LF inside a line is kept", "A\nB\r", {"A\nB"}, 0},
    {"text without CR waits", "D1,2", {}, 0},
    {"bytes 0x80-0xFF pass", "\x80\xff\r", {"\x80\xff"}, 0},
    {"longest line passes", kLongest + "\r", {kLongest}, 0},
    {"over-long line discarded up to its CR", kLongest + "y\r\nD1\r", {"D1"}, 1},
    {"over-long line without CR yet", kLongest + kLongest, {}, 1},
    {"two over-long lines counted apart", kLongest + "y\r" + kLongest + "zz\rE\r", {"E"}, 2},
};

TEST(LineCutterTest, GivesTheSameLinesForEveryChunking) {
    for (const auto& c : kCases) {
        for (const Chunks& chunks : Chunkings(c.stream)) {
            LineCutter cutter;
            Lines lines;
            for (const std::string& chunk : chunks)
                cutter.Feed(chunk, [&](const std::string& line) { lines.push_back(line); });
            EXPECT_EQ(lines, c.lines) << c.name << " in " << chunks.size() << " reads";
            EXPECT_EQ(cutter.DiscardedLines(), c.nDiscarded) << c.name << " in " << chunks.size() << " reads";
        }
    }
}

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
