// corvane-sim's command line: every option reaches the simulator, every bad value is refused.
#include <gtest/gtest.h>

#include "sim/InstrumentClock.h"
#include "sim/SimOptions.h"

TEST(SimOptions, EveryOptionIsTaken) {
    const SimOptionsResult result = ParseSimOptions({"--device-dir",
                                                     "/tmp/d",
                                                     "--port=3",
                                                     "--baud",
                                                     "38400",
                                                     "--averaging",
                                                     "5",
                                                     "--blank",
                                                     "6",
                                                     "--zero",
                                                     "7",
                                                     "--autozero",
                                                     "8",
                                                     "--records",
                                                     "TG",
                                                     "--clock",
                                                     "2005-08-31T23:59:50",
                                                     "--speed",
                                                     "60",
                                                     "--status",
                                                     "01fF",
                                                     "--silent",
                                                     "--refuse",
                                                     "UZ,STA,STT",
                                                     "--reply-delay-ms",
                                                     "250",
                                                     "--noise",
                                                     "--hangup-after",
                                                     "9",
                                                     "--burst",
                                                     "1000",
                                                     "--transcript",
                                                     "/tmp/t.txt"});
    ASSERT_TRUE(result.options.has_value()) << result.error;
    const SimOptions& o = *result.options;
    EXPECT_EQ(o.deviceDir, "/tmp/d");
    EXPECT_EQ(o.port, 3);
    EXPECT_EQ(o.baud, 38400u);
    EXPECT_EQ(o.config.Get(Setting::AveragingTime), 5u);
    EXPECT_EQ(o.config.Get(Setting::BlankTime), 6u);
    EXPECT_EQ(o.config.Get(Setting::ZeroTime), 7u);
    EXPECT_EQ(o.config.Get(Setting::AutoZeroPeriod), 8u);
    EXPECT_EQ(o.config.Get(Setting::TimeRecords), 1u);
    EXPECT_EQ(o.config.Get(Setting::PhotonRecords), 3u);
    EXPECT_EQ(o.config.Get(Setting::DataRecords), 0u);
    EXPECT_EQ(o.config.Get(Setting::AuxRecords), 0u);
    EXPECT_EQ(o.config.Get(Setting::ZeroRecords), 0u);
    EXPECT_EQ(o.clockStart, ToCalendarSeconds({2005, 8, 31, 23, 59, 50}));
    EXPECT_EQ(o.speed, 60.0);
    EXPECT_EQ(o.statusWord, 0x01FF);
    EXPECT_TRUE(o.silent);
    EXPECT_EQ(o.refused, (std::set<std::string>{"STA", "STT", "UZ"}));
    EXPECT_EQ(o.replyDelayMs, 250u);
    EXPECT_TRUE(o.noise);
    EXPECT_EQ(o.hangupAfter, 9u);
    EXPECT_EQ(o.burst, 1000u);
    EXPECT_EQ(o.transcriptPath, "/tmp/t.txt");
    EXPECT_TRUE(ParseSimOptions({"--help"}).help);
}

TEST(SimOptions, BadArgumentsAreRefusedWithAReason) {
    // clang-format off
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"}, {"--port"}, {"--port", "0"}, {"--port", "17"}, {"--port", "1x"}, {"--baud", "4800"},
        {"--averaging", "0"}, {"--autozero", "65536"}, {"--records", "DX"},
        {"--clock", "2005-02-29T00:00:00"}, {"--clock", "2005-08-31 23:59:50"},
        {"--speed", "0"}, {"--speed", "fast"}, {"--status", "12345"}, {"--status", "00G0"},
        {"--refuse", "UZ,FOO"}, {"--refuse", ""}, {"--hangup-after", "0"}, {"--burst", "-1"},
        {"--silent=1"}, {"--transcript", ""},
    };
    // clang-format on
    for (const auto& args : bad) {
        const SimOptionsResult result = ParseSimOptions(args);
        EXPECT_FALSE(result.options.has_value()) << args[0];
        EXPECT_FALSE(result.error.empty()) << args[0];
    }
}
