// The log writer in a data run: lines that wait while the window is busy are handled in one
// notification, and midnight among them still starts the new file at the right line; the end of the
// run leaves nothing unsynced.
#include <thread>

#include "AcquisitionHarness.h"
#include "control/DataLog.h"

namespace {
bool Sent(const SimProcess& sim, const std::string& prefix) {
    const std::vector<std::string> sent = sim.SentLines();
    return std::any_of(sent.begin(), sent.end(),
                       [&](const std::string& line) { return line.starts_with(prefix); });
}
}  // namespace

class LogBatchTest : public AcquisitionTest {};

TEST_F(LogBatchTest, MidnightInsideOneBacklogStartsTheNewFileAtItsLineAndStopSyncs) {
    StoreLogging(CDataLog::kDaily);
    const fs::path before = LogFolder() / "CV050920.dat", after = LogFolder() / "CV050921.dat";
    m_dialogs.chosenLogFile = QString::fromStdString(before.string());
    Start({"--clock", "2005-09-20T23:59:52", "--speed", "4", "--records", "DT", "--averaging", "1"});
    std::vector<std::string> synced;  // names of the synced files, in order
    Sheet().Log().SetFileCalls({[&](int fd) {
                                    const fs::path path =
                                        fs::read_symlink("/proc/self/fd/" + std::to_string(fd));
                                    synced.push_back(path.filename().string());
                                    return fdatasync(fd);
                                },
                                close});
    Click(CCorvanePropertySheet::ID_START_DATA);
    ASSERT_TRUE(WaitFor([&] { return !FileLines(before).empty(); }));
    ASSERT_FALSE(Sent(*m_sim, "T,2005,09,21")) << "midnight came before the run had started";

    // The window busy across midnight: the lines wait in the link and come in one notification.
    const auto busyUntil = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Sent(*m_sim, "T,2005,09,21,00,00,01") && std::chrono::steady_clock::now() < busyUntil)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(WaitFor([&] { return FileLines(after).size() >= 2; }));
    // The file left behind is synced at once; the new one within its second, or at Stop.
    ASSERT_FALSE(synced.empty());
    EXPECT_EQ(synced.back(), "CV050920.dat");
    ASSERT_TRUE(Sheet().Log().SyncDeadline());
    Click(CCorvanePropertySheet::ID_START_DATA);
    EXPECT_EQ(synced.back(), "CV050921.dat");
    EXPECT_FALSE(Sheet().Log().SyncDeadline());

    std::vector<std::string> logged = FileLines(before);
    const std::vector<std::string> second = FileLines(after);
    for (const std::string& line : logged) EXPECT_FALSE(line.starts_with("T,2005,09,21")) << line;
    EXPECT_EQ(second.front(), "T,2005,09,21,00,00,00");
    logged.insert(logged.end(), second.begin(), second.end());
    const std::vector<std::string> sent = UnpolledLines();
    ASSERT_LE(logged.size(), sent.size());
    EXPECT_TRUE(std::equal(logged.begin(), logged.end(), sent.begin()));
}
