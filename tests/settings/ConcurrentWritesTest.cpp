// Writes from several processes: none is lost, and a writer killed at any moment leaves a whole
// file behind.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempConfigHome.h"
#include "ValuesFile.h"

namespace {

using ConcurrentWrites = TempConfigHome;

std::string TextFor(std::uint32_t n) {
    return "/data/run-" + std::to_string(n) + std::string(200, 'x');
}

TEST_F(ConcurrentWrites, ThreeProcessesNeverLoseEachOthersValues) {
    constexpr std::uint32_t kWrites = 50;
    const char* names[] = {"FIRST", "SECOND", "THIRD"};
    std::vector<pid_t> children;
    for (const char* name : names) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (std::uint32_t n = 1; n <= kWrites; ++n) {
                CSettingsKey key;
                if (!key.Open(kProductKeyPath, false) || !key.WriteDword(name, n)) _exit(1);
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, true));
    for (const char* name : names) {
        std::uint32_t value = 0;
        EXPECT_TRUE(key.ReadDword(name, value)) << name;
        EXPECT_EQ(value, kWrites) << name;
    }
}

TEST_F(ConcurrentWrites, WriterKilledMidWriteLeavesAWholeFile) {
    // Kill after different numbers of finished pairs so the signal lands at varied points.
    for (int pairsBeforeKill : {1, 7, 23}) {
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Writes counter and text pairs for ever, reporting each finished pair with one byte.
            for (std::uint32_t n = 1;; ++n) {
                CSettingsKey key;
                if (!key.Open(kProductKeyPath, false) || !key.WriteDword("N", n) ||
                    !key.WriteString("S", TextFor(n)) || write(report[1], "+", 1) != 1) {
                    _exit(1);
                }
            }
        }
        close(report[1]);
        char byte;
        for (int i = 0; i < pairsBeforeKill; ++i) ASSERT_EQ(read(report[0], &byte, 1), 1);
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status));
        close(report[0]);

        // Every line parses, and the text belongs to the counter or the one before it.
        const std::string text = FileText();
        EXPECT_EQ(text, FormatValuesFile(ParseValuesFile(text)));
        CSettingsKey key;
        ASSERT_TRUE(key.Open(kProductKeyPath, true));
        std::uint32_t n = 0;
        std::string path;
        ASSERT_TRUE(key.ReadDword("N", n));
        ASSERT_TRUE(key.ReadString("S", path));
        EXPECT_GE(n, static_cast<std::uint32_t>(pairsBeforeKill));
        EXPECT_TRUE(path == TextFor(n) || path == TextFor(n - 1)) << n << " " << path.substr(0, 20);
    }
}

}  // namespace
