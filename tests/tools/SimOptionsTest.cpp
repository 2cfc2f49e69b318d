// corvane-sim's command line: every bad value is refused with a reason (the options themselves are
// exercised by running the simulator).
#include <gtest/gtest.h>

#include "sim/SimOptions.h"

TEST(SimOptions, BadArgumentsAreRefusedWithAReason) {
    // clang-format off
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"}, {"--port"}, {"--port", "0"}, {"--port", "17"}, {"--port", "1x"}, {"--baud", "4800"},
        {"--averaging", "0"}, {"--autozero", "65536"}, {"--records", "DX"},
        {"--clock", "2005-02-29T00:00:00"}, {"--clock", "2005-08-31 23:59:50"},
        {"--clock-offset", "1.5"}, {"--clock-offset", "31622401"}, {"--clock-offset", "1e3"},
        {"--clock-offset", "-"}, {"--clock-drift", "-500001"}, {"--clock-drift", "nan"}, {"--clock-drift", "1e2"},
        {"--clock", "0001-01-01T00:00:00", "--clock-offset", "-1"},
        {"--speed", "0"}, {"--speed", "fast"}, {"--status", "12345"}, {"--status", "00G0"},
        {"--refuse", "UZ,FOO"}, {"--refuse", ""}, {"--hangup-after", "0"}, {"--burst", "-1"},
        {"--silent=1"}, {"--transcript", ""},
        // Life times are real seconds up to a day.
        {"--vanish-for", "-1"}, {"--vanish-for", "1e3"}, {"--vanish-for", "1.2.3"}, {"--vanish-for", "."},
        {"--vanish-for", "86401"}, {"--vanish-for", ""}, {"--vanish-for", "2s"},
    };
    // clang-format on
    for (const auto& args : bad) {
        const SimOptionsResult result = ParseSimOptions(args);
        EXPECT_FALSE(result.options.has_value()) << args[0];
        EXPECT_FALSE(result.error.empty()) << args[0];
    }
    EXPECT_EQ(ParseSimOptions({"--port=3", "--status", "01fF"}).options.value().statusWord, 0x01FF);
    const SimOptions options =
        ParseSimOptions({"--vanish-after=0.25", "--restart-silent", "0", "--appear-after", "86400"}).options.value();
    EXPECT_EQ(options.vanishAfter, 0.25);
    EXPECT_EQ(options.restartSilent, 0.0);
    EXPECT_EQ(options.appearAfter, 86400.0);
    EXPECT_FALSE(options.restartAfter.has_value());

    // The drift rides on the speed.
    const SimOptions clock = ParseSimOptions({"--clock-offset", "-90", "--clock-drift", "+150.5", "--speed", "2"}).options.value();
    EXPECT_EQ(clock.clockOffset, -90);
    EXPECT_DOUBLE_EQ(clock.ClockRate(), 2 * 1.0001505);
}
