// The rules of an unattended run on their own, and the journal's line format, rotation, failures,
// memory and counts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <vector>

#include "RunFiles.h"
#include "station/EventJournal.h"
#include "station/RecoveryRules.h"

namespace fs = std::filesystem;
using std::chrono::seconds;

namespace {

// A private state folder for the journal, removed afterwards.
struct TempStateHome {
    TempStateHome() { setenv("XDG_STATE_HOME", folder.c_str(), 1); }
    ~TempStateHome() {
        fs::remove_all(folder);
        unsetenv("XDG_STATE_HOME");
    }
    fs::path Journal() const { return folder / "corvane" / "events.log"; }
    const fs::path folder = fs::temp_directory_path() / ("corvane-journal-" + std::to_string(getpid()));
};

// Points standard error at fd until the end of the scope.
struct StandardErrorTo {
    explicit StandardErrorTo(int fd) { dup2(fd, STDERR_FILENO); }
    ~StandardErrorTo() { dup2(saved, STDERR_FILENO); close(saved); }
    const int saved = dup(STDERR_FILENO);
};

}  // namespace

TEST(RecoveryRules, ReopenDelaySilenceLimitAndTheHourlySummaryOfFailedTries) {
    const long delays[] = {2, 2, 2, 2, 2, 4, 6, 8, 10, 10};
    for (unsigned n = 0; n < std::size(delays); ++n) EXPECT_EQ(ReopenDelay(n).count(), delays[n]) << n;
    EXPECT_EQ(ReopenDelay(100000).count(), 10);
    // Twice the averaging time (read by the decimal rule) plus ten seconds, at least twenty.
    const std::pair<const char*, long> limits[] = {{"5", 20}, {"6", 22}, {" 300s", 610}, {"WriteComm", 20}, {"-40", 20}};
    for (const auto& [averaging, limit] : limits) EXPECT_EQ(SilenceLimit(averaging).count(), limit) << averaging;

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
    const TempStateHome home;
    const fs::path old = home.Journal().string() + ".1";
    EXPECT_EQ(JournalPath(), home.Journal().string());
    JournalEvent("started", "first");
    fs::resize_file(home.Journal(), kJournalRotateBytes - 1);
    JournalEvent("one", "more");  // still below the size when it was written
    EXPECT_FALSE(fs::exists(old));
    const auto full = fs::file_size(home.Journal());
    JournalEvent("rotated", "now");
    EXPECT_EQ(fs::file_size(old), full);
    EXPECT_EQ(JournalEntries(), std::vector<std::string>{"rotated now"});

    // A journal folder that cannot be made: the event goes to standard error only.
    fs::remove_all(home.folder);
    std::ofstream(home.folder.string()) << "a file where the folder should be";
    JournalEvent("lost", "nowhere to write");
    EXPECT_TRUE(fs::is_regular_file(home.folder));
}

TEST(EventJournal, StandardErrorThatIsClosedOrFullNeverStopsItAndTheFileComesFirst) {
    const TempStateHome home;
    int closed[2], full[2];
    ASSERT_EQ(pipe(closed), 0);
    ASSERT_EQ(pipe(full), 0);
    close(closed[0]);
    {
        const StandardErrorTo pipeWithoutReader(closed[1]);
        JournalEvent("run-started", "into a closed pipe");  // SIGPIPE would end the test here
    }
    // A pipe that nobody reads, filled up.
    fcntl(full[1], F_SETFL, O_NONBLOCK);
    const std::string block(4096, 'x');
    while (write(full[1], block.data(), block.size()) > 0) {
    }
    fcntl(full[1], F_SETFL, 0);
    fcntl(full[0], F_SETFL, O_NONBLOCK);
    {
        const StandardErrorTo fullPipe(full[1]);
        auto event =
            std::async(std::launch::async, [] { JournalEvent("instrument-lost", "into a full pipe"); });
        EXPECT_EQ(event.wait_for(seconds(5)), std::future_status::ready);
        // A journal stuck in its echo is let go, so that the test ends either way.
        char drain[4096];
        while (event.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            while (read(full[0], drain, sizeof drain) > 0) {
            }
    }
    for (int fd : {closed[1], full[0], full[1]}) close(fd);
    EXPECT_EQ(JournalEntries(), (std::vector<std::string>{"run-started into a closed pipe",
                                                          "instrument-lost into a full pipe"}));
}

TEST(EventJournal, CopiesRotatingOneJournalAtOnceLoseNoLine) {
    // Copies journal large events at once and so rotate the journal together again and again. A
    // rotation that replaced the journal another copy had just rotated would leave a short
    // events.log.1: the lines of the one before would be lost.
    const TempStateHome home;
    const fs::path old = home.Journal().string() + ".1";
    JournalEvent("started", "the folder is made");
    const std::string details(kJournalRotateBytes / 16, 'x');
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> copies;
    for (int copy = 0; copy < 4; ++copy) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(start[1]);
            char byte;
            bool whole = read(start[0], &byte, 1) == 0;  // all go when the pipe closes
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDERR_FILENO);
            for (int event = 0; event < 256 && whole; ++event) {
                JournalEvent("copy", details);
                std::error_code error;
                const auto size = fs::file_size(old, error);
                whole = error || size >= kJournalRotateBytes;
            }
            _exit(whole ? 0 : 1);
        }
        copies.push_back(pid);
    }
    close(start[0]);
    close(start[1]);
    for (const pid_t pid : copies) {
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_EQ(status, 0) << "a copy found a rotated journal cut short";
    }
    EXPECT_GE(fs::file_size(old), kJournalRotateBytes);
}

TEST(EventJournal, KeepsItsLastLinesAndItsCountsByWordAlsoWithoutAFile) {
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    unsetenv("HOME");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(JournalPath(), "");  // nothing is written below "/"
    auto before = JournalEventCounts();
    {
        const int quiet = open("/dev/null", O_WRONLY);
        const StandardErrorTo nowhere(quiet);
        close(quiet);
        for (int i = 0; i < 105; ++i)
            JournalEvent(i % 3 == 0 ? "instrument-lost" : "reconnect-failed", "try " + std::to_string(i));
    }
    setenv("HOME", home.c_str(), 1);
    auto after = JournalEventCounts();
    EXPECT_EQ(after["instrument-lost"] - before["instrument-lost"], 35u);
    EXPECT_EQ(after["reconnect-failed"] - before["reconnect-failed"], 70u);
    const std::vector<std::string> last = RecentJournalLines(2);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_TRUE(last[0].ends_with(" reconnect-failed try 103")) << last[0];
    EXPECT_TRUE(last[1].ends_with(" reconnect-failed try 104")) << last[1];
    const std::vector<std::string> kept = RecentJournalLines();
    ASSERT_EQ(kept.size(), kJournalRecentLines);
    EXPECT_TRUE(kept.front().ends_with(" reconnect-failed try 5")) << kept.front();
}
