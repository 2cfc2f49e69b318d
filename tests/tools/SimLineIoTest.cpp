// The simulator's line handling: cutting commands out of the byte stream, and writing queued lines
// to a descriptor that takes only part of them at a time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "sim/CommandReader.h"
#include "sim/OutputQueue.h"
#include "sim/Transcript.h"

TEST(SimCommandReader, CutsCommandsWhateverTheLineEndsAndReadBoundaries) {
    struct Case {
        std::vector<std::string> chunks;
        std::vector<std::string> commands;
    };
    const std::vector<Case> cases = {
        {{"UE\r\n"}, {"UE"}},
        {{"U", "E\r", "\nRV\r", "\n"}, {"UE", "RV"}},
        {{"UE\rRV\nSTA300\r\n"}, {"UE", "RV", "STA300"}},
        {{"\r\n\r\n", "\n"}, {}},
        {{"S\x13T\x11", "A\r"}, {"STA"}},  // flow control bytes are not text
        {{std::string("R\0V\r", 4)}, {std::string("R\0V", 3)}},
    };
    for (const Case& c : cases) {
        CommandReader reader;
        std::vector<std::string> commands;
        for (const std::string& chunk : c.chunks)
            reader.Feed(chunk, [&](std::string_view command, bool bOverLong) {
                EXPECT_FALSE(bOverLong);
                commands.emplace_back(command);
            });
        EXPECT_EQ(commands, c.commands) << c.chunks[0];
    }
}

TEST(SimCommandReader, XoffHoldsOutputUntilXonAndOverLongCommandsAreFlagged) {
    CommandReader reader;
    std::vector<std::pair<std::string, bool>> commands;
    const auto collect = [&](std::string_view command, bool bOverLong) {
        commands.emplace_back(command, bOverLong);
    };
    reader.Feed("\x13", collect);
    EXPECT_FALSE(reader.MaySend());
    reader.Feed("\x11", collect);
    EXPECT_TRUE(reader.MaySend());

    reader.Feed(std::string(3000, 'A') + "\r\nUE\r\n", collect);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_TRUE(commands[0].second);
    EXPECT_EQ(commands[1], std::make_pair(std::string("UE"), false));
}

TEST(SimOutputQueue, PartialWritesKeepEveryByteInOrderAndReportEachItemOnceWhole) {
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_NONBLOCK), 0);
    fcntl(pipeFds[1], F_SETPIPE_SZ, 4096);  // the smallest pipe: many partial writes

    OutputQueue queue;
    std::string expected;
    std::vector<std::string> pushed;
    for (int i = 0; i < 400; ++i) {
        const bool noise = i % 50 == 7;
        std::string text =
            noise ? std::string("\xFF#\0", 3) : "D,N," + std::to_string(i) + ",1.000,2.000,3.000";
        expected += noise ? text : text + "\r";
        pushed.push_back(text);
        queue.Push(noise ? OutputQueue::Kind::Noise : OutputQueue::Kind::Line, text);
    }

    std::string received;
    std::vector<std::string> reported;
    std::size_t reportedBytes = 0;
    for (int round = 0; round < 1000 && (!queue.Empty() || received.size() < expected.size()); ++round) {
        const auto result = queue.WriteTo(pipeFds[1], [&](const OutputQueue::Item& item) {
            reported.push_back(item.text);
            reportedBytes += item.text.size() + (item.kind == OutputQueue::Kind::Noise ? 0 : 1);
            return true;
        });
        ASSERT_NE(result, OutputQueue::WriteResult::Failed);
        char buffer[1000];  // drain less than the pipe holds
        const ssize_t count = read(pipeFds[0], buffer, sizeof buffer);
        if (count > 0) received.append(buffer, static_cast<std::size_t>(count));
        // An item is reported only once all of its bytes went out.
        ASSERT_LE(reportedBytes, received.size() + 4096);
    }
    EXPECT_EQ(received, expected);
    EXPECT_EQ(reported, pushed);
    close(pipeFds[0]);
    close(pipeFds[1]);
}

TEST(SimOutputQueue, DroppingABurstKeepsTheLineAlreadyStartedAndOtherItems) {
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_NONBLOCK), 0);
    fcntl(pipeFds[1], F_SETPIPE_SZ, 4096);
    OutputQueue queue;
    const std::string longLine(3000, 'x');
    for (int i = 0; i < 3; ++i) queue.Push(OutputQueue::Kind::Burst, longLine);
    queue.Push(OutputQueue::Kind::Line, "OK");
    queue.Push(OutputQueue::Kind::Burst, longLine);
    // The first burst line goes out whole, the second only in part.
    EXPECT_EQ(queue.WriteTo(pipeFds[1], [](const OutputQueue::Item&) { return true; }),
              OutputQueue::WriteResult::Blocked);
    EXPECT_EQ(queue.DropUnstarted(OutputQueue::Kind::Burst), 2u);

    std::string received;
    std::vector<std::string> reported;
    while (!queue.Empty()) {
        char buffer[8192];
        const ssize_t count = read(pipeFds[0], buffer, sizeof buffer);
        if (count > 0) received.append(buffer, static_cast<std::size_t>(count));
        queue.WriteTo(pipeFds[1], [&](const OutputQueue::Item& item) {
            reported.push_back(item.text);
            return true;
        });
    }
    char buffer[8192];
    const ssize_t count = read(pipeFds[0], buffer, sizeof buffer);
    if (count > 0) received.append(buffer, static_cast<std::size_t>(count));
    EXPECT_EQ(received, longLine + "\r" + longLine + "\rOK\r");
    EXPECT_EQ(reported, (std::vector<std::string>{longLine, "OK"}));
    close(pipeFds[0]);
    close(pipeFds[1]);
}

TEST(SimTranscript, EscapesWhatIsNotPrintableAndKeepsTheRest) {
    EXPECT_EQ(Transcript::Escaped(std::string("R\0V\\\xFF ok", 8)), "R\\x00V\\\\\\xFF ok");
}
