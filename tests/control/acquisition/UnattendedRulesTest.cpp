// The rules of an unattended run on their own: the reopen schedule, the silence limit, the hourly
// summary of failed tries, and the journal's line format, rotation and failure.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "control/EventJournal.h"
#include "control/RecoveryRules.h"

namespace fs = std::filesystem;
using std::chrono::seconds;

TEST(RecoveryRules, ReopenTriesComeEveryTwoSecondsThenBackOffToTen) {
    const long expected[] = {2, 2, 2, 2, 2, 4, 6, 8, 10, 10};
    for (unsigned n = 0; n < std::size(expected); ++n) EXPECT_EQ(ReopenDelay(n).count(), expected[n]) << n;
    EXPECT_EQ(ReopenDelay(100000).count(), 10);
}

TEST(RecoveryRules, SilenceLimitIsTwiceTheAveragingTimePlusTenAtLeastTwenty) {
    const std::pair<const char*, long> cases[] = {{"1", 20}, {"5", 20}, {"6", 22}, {"60", 130},
                                                  {" 300s", 610}, {"", 20}, {"WriteComm", 20}, {"-40", 20}};
    for (const auto& [averaging, limit] : cases) EXPECT_EQ(SilenceLimit(averaging).count(), limit) << averaging;
}

TEST(RecoveryRules, FailedTriesAreReportedFirstThenHourly) {
    CFailureSummary summary;
    const auto start = CFailureSummary::Clock::now();
    EXPECT_TRUE(summary.Count(start));
    EXPECT_FALSE(summary.Count(start + seconds(10)));
    EXPECT_FALSE(summary.Count(start + seconds(3599)));
    EXPECT_TRUE(summary.Count(start + seconds(3600)));
    EXPECT_FALSE(summary.Count(start + seconds(3610)));
    EXPECT_EQ(summary.Failures(), 5u);
    summary.Reset();
    EXPECT_TRUE(summary.Count(start + seconds(3620)));  // a new loss is reported at once
    EXPECT_EQ(GapText(seconds(3723)), "1:02:03");
    EXPECT_EQ(GapText(seconds(180000)), "50:00:00");
}

TEST(EventJournal, LinesCarryLocalTimeWithItsOffsetAndOneLinePerEvent) {
    const std::pair<const char*, const char*> zones[] = {{"UTC0", "+00:00"}, {"<+0530>-5:30", "+05:30"},
                                                         {"<-0330>3:30", "-03:30"}};
    for (const auto& [zone, offset] : zones) {
        setenv("TZ", zone, 1);
        tzset();
        const std::string line = JournalLine(0, "message", "first\r\nsecond\n\rthird\nfourth");
        EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d message )"
                                                      R"(first / second / third / fourth\n)")))
            << line;
        EXPECT_NE(line.find(offset), std::string::npos) << zone << ": " << line;
    }
    unsetenv("TZ");
    tzset();
}

TEST(EventJournal, RotatesAtOneMebibyteKeepingOneOldFileAndNeverFailsItsCaller) {
    const fs::path state = fs::temp_directory_path() / ("corvane-journal-" + std::to_string(getpid()));
    fs::remove_all(state);
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    const fs::path journal = state / "corvane" / "events.log", old = state / "corvane" / "events.log.1";
    EXPECT_EQ(JournalPath(), journal.string());

    JournalEvent("started", "first");
    ASSERT_TRUE(fs::exists(journal));
    fs::resize_file(journal, kJournalRotateBytes - 1);
    JournalEvent("one", "more");  // still below the size when it was written
    EXPECT_FALSE(fs::exists(old));
    const auto full = fs::file_size(journal);
    JournalEvent("rotated", "now");
    EXPECT_EQ(fs::file_size(old), full);
    std::ifstream in(journal);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_NE(line.find(" rotated now"), std::string::npos);
    EXPECT_FALSE(std::getline(in, line));

    // A journal folder that cannot be made: the event goes to standard error only.
    fs::remove_all(state);
    std::ofstream(state.string()) << "a file where the folder should be";
    JournalEvent("lost", "nowhere to write");
    EXPECT_TRUE(fs::is_regular_file(state));
    fs::remove(state);
    unsetenv("XDG_STATE_HOME");
}
