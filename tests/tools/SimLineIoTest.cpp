// The simulator's command reader: commands cut out of the byte stream, and its output flow control.
#include <gtest/gtest.h>

#include "sim/CommandReader.h"

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

}  // namespace
