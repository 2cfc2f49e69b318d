// The rules of an unattended run on their own: the reopen schedule, the silence limit, the hourly
// summary of failed tries, and the journal's line format, rotation and failure.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "station/EventJournal.h"
#include "station/RecoveryRules.h"

namespace fs = std::filesystem;
using std::chrono::seconds;

TEST(RecoveryRules, ReopenDelayGrowsAfterFiveTriesToTenSeconds) {
    const long delays[] = {2, 2, 2, 2, 2, 4, 6, 8, 10, 10};
    for (unsigned n = 0; n < std::size(delays); ++n) EXPECT_EQ(ReopenDelay(n).count(), delays[n]) << n;
    EXPECT_EQ(ReopenDelay(100000).count(), 10);
}

TEST(RecoveryRules, SilenceLimitIsTwiceTheAveragingTimePlusTenSecondsAtLeastTwenty) {
    // The averaging time read by the decimal rule.
    const std::pair<const char*, long> limits[] = {{"5", 20}, {"6", 22}, {" 300s", 610}, {"WriteComm", 20}, {"-40", 20}};
    for (const auto& [averaging, limit] : limits) EXPECT_EQ(SilenceLimit(averaging).count(), limit) << averaging;
}

TEST(RecoveryRules, FailedTriesAreSummarisedHourlyAndGapsShownAsHoursMinutesSeconds) {
    CFailureSummary summary;
    const auto start = CFailureSummary::Clock::now();
    const std::pair<long, bool> failures[] = {{0, true}, {10, false}, {3599, false}, {3600, true}, {3610, false}};
    for (const auto& [at, reported] : failures) EXPECT_EQ(summary.Count(start + seconds(at)), reported) << at;
    summary.Reset();
    EXPECT_TRUE(summary.Count(start + seconds(3620)));  // a new loss is reported at once
    EXPECT_EQ(GapText(seconds(180123)), "50:02:03");
}

TEST(EventJournal, LineIsLocalTimeWithItsOffsetAndTheEventOnOneLine) {
    for (const auto& [zone, offset] : {std::pair{"UTC0", "+00:00"}, std::pair{"<-0330>3:30", "-03:30"}}) {
        setenv("TZ", zone, 1);
        tzset();
        const std::string line = JournalLine(0, "message", "first\r\nsecond\n\rthird\nfourth");
        EXPECT_TRUE(std::regex_match(line.substr(0, 19), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)"))) << line;
        EXPECT_EQ(line.substr(19), std::string(offset) + " message first / second / third / fourth\n");
    }
    unsetenv("TZ");
    tzset();
}

TEST(EventJournal, FullJournalIsRotatedAndAFolderThatCannotBeMadeLosesOnlyTheFile) {
    const fs::path state = fs::temp_directory_path() / ("corvane-journal-" + std::to_string(getpid()));
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    const fs::path journal = state / "corvane" / "events.log", old = state / "corvane" / "events.log.1";
    EXPECT_EQ(JournalPath(), journal.string());
    JournalEvent("started", "first");
    fs::resize_file(journal, kJournalRotateBytes - 1);
    JournalEvent("one", "more");  // still below the size when it was written
    EXPECT_FALSE(fs::exists(old));
    const auto full = fs::file_size(journal);
    JournalEvent("rotated", "now");
    EXPECT_EQ(fs::file_size(old), full);
    std::ifstream in(journal);
    std::string line;
    EXPECT_TRUE(std::getline(in, line) && line.ends_with(" rotated now") && !std::getline(in, line));

    // A journal folder that cannot be made: the event goes to standard error only.
    fs::remove_all(state);
    std::ofstream(state.string()) << "a file where the folder should be";
    JournalEvent("lost", "nowhere to write");
    EXPECT_TRUE(fs::is_regular_file(state));
    fs::remove(state);
    unsetenv("XDG_STATE_HOME");
}
