// The simulator's line handling: cutting commands out of the byte stream, stopping a burst part-way
// through, and the transcript's escaping.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "sim/CommandReader.h"
#include "sim/OutputQueue.h"
#include "sim/Transcript.h"

namespace {
using Lines = std::vector<std::string>;

TEST(SimCommandReader, CutsCommandsWhateverTheLineEndsAndReadBoundariesAndFollowsFlowControl) {
    const std::vector<std::pair<Lines, Lines>> cases = {
        {{"UE\r\n"}, {"UE"}},
        {{"U", "E\r", "\nRV\r", "\n"}, {"UE", "RV"}},
        {{"UE\rRV\nSTA300\r\n"}, {"UE", "RV", "STA300"}},
        {{"\r\n\r\n", "\n"}, {}},
        {{"S\x13T\x11", "A\r"}, {"STA"}},  // flow control bytes are not text
        {{std::string("R\0V\r", 4)}, {std::string("R\0V", 3)}},
        {{std::string(3000, 'A') + "\r\nUE\r\n"}, {"(over-long)", "UE"}},
    };
    for (const auto& [chunks, expected] : cases) {
        CommandReader reader;
        Lines commands;
        for (const std::string& chunk : chunks)
            reader.Feed(chunk, [&](std::string_view command, bool bOverLong) {
                commands.emplace_back(bOverLong ? "(over-long)" : command);
            });
        EXPECT_EQ(commands, expected) << chunks[0].substr(0, 20);
    }
    // XOFF holds the output until XON.
    CommandReader reader;
    reader.Feed("UE\r\x13", [](std::string_view, bool) {});
    EXPECT_FALSE(reader.MaySend());
    reader.Feed("\x11", [](std::string_view, bool) {});
    EXPECT_TRUE(reader.MaySend());
}

TEST(SimOutputQueue, UeDuringABurstDropsItsUnstartedLinesOnly) {
    // A non-blocking pipe of the smallest size takes the first burst line whole, the second in part.
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    OutputQueue queue;
    const std::string longLine(3000, 'x');
    for (int i = 0; i < 3; ++i) queue.Push(OutputQueue::Kind::Burst, longLine);
    queue.Push(OutputQueue::Kind::Line, "OK");
    queue.Push(OutputQueue::Kind::Burst, longLine);
    Lines reported;
    const auto report = [&](const OutputQueue::Item& item) {
        reported.push_back(item.text);
        return true;
    };
    EXPECT_EQ(queue.WriteTo(fds[1], report), OutputQueue::WriteResult::Blocked);
    EXPECT_EQ(queue.DropUnstarted(OutputQueue::Kind::Burst), 2u);
    std::string received;
    for (bool bLast = false; !bLast;) {
        bLast = queue.Empty();
        char buffer[8192];
        const ssize_t count = read(fds[0], buffer, sizeof buffer);
        if (count > 0) received.append(buffer, static_cast<std::size_t>(count));
        queue.WriteTo(fds[1], report);
    }
    close(fds[0]);
    close(fds[1]);
    EXPECT_EQ(received, longLine + "\r" + longLine + "\rOK\r");
    EXPECT_EQ(reported, (Lines{longLine, longLine, "OK"}));
}

TEST(SimTranscript, EscapesWhatIsNotPrintableAndKeepsTheRest) {
    EXPECT_EQ(Transcript::Escaped(std::string("R\0V\\\xFF ok", 8)), "R\\x00V\\\\\\xFF ok");
}
}  // namespace
