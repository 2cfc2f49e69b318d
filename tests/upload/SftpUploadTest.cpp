// The outbox uploader against a real sshd: files under their final names only once complete, oldest
// first, exactly once across a server that goes away, a cut transfer, a full disk and a restart; the
// pinned host key; the private key's permissions; no credential in the journal or the metrics.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "SshServer.h"
#include "TestFiles.h"
#include "upload/OutboxUploader.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The archive file of an hour of 6 December 2026.
std::string HourFile(int hour) {
    char name[128];
    std::snprintf(name, sizeof name,
                  "XX0001R.20261206%02d0000.20261207000000.nephelometer.pm10.1h.1mn.lev0.nas", hour);
    return name;
}

class SftpUpload : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_STATE_HOME", (m_folder / "state").c_str(), 1);
        fs::create_directories(m_folder / "outbox");
    }
    // No credential anywhere an operator or a scraper sees: not the account, not the key.
    void TearDown() override {
        const std::string seen =
            Journal() + (m_uploader ? WriteExposition(UploadMetricFamilies(m_uploader->Figures())) : "");
        EXPECT_EQ(seen.find("@127.0.0.1"), std::string::npos) << seen;
        std::istringstream key(ReadText(m_server.ClientKey()));
        for (std::string line; std::getline(key, line);)
            if (line.find("PRIVATE KEY") == std::string::npos) {
                EXPECT_EQ(seen.find(line), std::string::npos);
            }
        m_uploader.reset();
    }

    UploadConfig Config() const {
        return {m_server.Url(), m_server.ClientKey(), m_server.Fingerprint(), m_folder / "outbox"};
    }
    // A sent-list read from the disk and an uploader, as a program starting; retries every 50 to 200 ms.
    void StartUploader(const UploadConfig& config) {
        m_uploader.reset();
        m_sent = std::make_unique<CSentList>(CSentList::DefaultPath());
        m_uploader = std::make_unique<COutboxUploader>(config, *m_sent,
                                                       UploadTiming{50ms, 200ms, 100ms, 30s, 1s, 30s});
        ASSERT_TRUE(m_uploader->Start().empty());
    }
    void PutInOutbox(const std::string& name, const std::string& content) const {
        WriteText(m_folder / "outbox" / name, content);
    }
    bool WaitFor(const std::function<bool(const UploadFigures&)>& done) const {
        for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;) {
            if (done(m_uploader->Figures())) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    // Waits until the outbox is empty, then stops the uploader so that its journal is complete.
    bool AllSent() const {
        const bool sent = WaitFor([](const UploadFigures& f) { return f.pendingFiles == 0; });
        m_uploader->Stop();
        return sent;
    }
    bool Failing(std::uint64_t rounds) const {
        return WaitFor([rounds](const UploadFigures& f) { return f.failuresTotal >= rounds; });
    }
    std::vector<std::string> RemoteNames() const { return FileNames(m_server.RemoteFolder()); }
    std::string Journal() const { return ReadText(m_folder / "state" / "corvane" / "events.log"); }

    CTestSshServer m_server;
    const TempFolder m_home;
    const fs::path m_folder = m_home.Path();
    std::unique_ptr<CSentList> m_sent;
    std::unique_ptr<COutboxUploader> m_uploader;
};

}  // namespace

// A program killed after the server's rename of hour 10 (before the sent-list had it), and after the
// sent-list had hour 11 (before it left the outbox), is started again with hours 12 and 13 waiting too.
TEST_F(SftpUpload, SendsTheOutboxOldestFirstUnderFinalNamesOverOneConnectionAndNoHourTwiceAfterARestart) {
    ASSERT_TRUE(m_server.Start()) << m_server.Log();
    WriteText(m_server.RemoteFolder() / HourFile(10), "the server's copy\n");
    fs::create_directories(CSentList::DefaultPath().parent_path());
    WriteText(CSentList::DefaultPath(), HourFile(11) + "\n");
    for (int hour : {13, 10, 12, 11}) PutInOutbox(HourFile(hour), "hour " + std::to_string(hour) + "\n");
    const std::string making = "." + HourFile(14) + ".tmp";
    PutInOutbox(making, "the hourly writer's file in the making");
    StartUploader(Config());
    EXPECT_EQ(m_uploader->Figures().oldestPendingStart, 1796551200);  // 2026-12-06 10:00 UTC
    ASSERT_TRUE(AllSent());

    EXPECT_EQ(RemoteNames(), (std::vector<std::string>{HourFile(10), HourFile(12), HourFile(13)}));
    EXPECT_EQ(ReadText(m_server.RemoteFolder() / HourFile(10)), "the server's copy\n");
    EXPECT_EQ(ReadText(m_server.RemoteFolder() / HourFile(12)), "hour 12\n");
    EXPECT_EQ(ReadText(CSentList::DefaultPath()),
              HourFile(11) + "\n" + HourFile(10) + "\n" + HourFile(12) + "\n" + HourFile(13) + "\n");
    EXPECT_TRUE(m_sent->WasHourSent("XX0001R.20261206120000"));
    EXPECT_EQ(FileNames(m_folder / "outbox"), std::vector<std::string>{making});
    EXPECT_NEAR(m_uploader->Figures().lastSuccess.value_or(0), std::time(nullptr), 60);
    EXPECT_EQ(Count(m_server.Log(), "Accepted publickey"), 1u) << m_server.Log();
    EXPECT_EQ(Count(Journal(), " upload-found-on-server "), 1u);
}

// A server whose host key is not the pinned one, then the right server with a key file others can read.
TEST_F(SftpUpload, RefusesAnImpostorAndAPrivateKeyOthersCanReadUntilItIsMadePrivate) {
    ASSERT_TRUE(m_server.Start()) << m_server.Log();
    PutInOutbox(HourFile(10), "hour 10\n");
    UploadConfig config = Config();
    config.hostKeyFingerprint = m_server.OtherFingerprint();
    StartUploader(config);
    ASSERT_TRUE(Failing(3));
    EXPECT_NE(WriteExposition(UploadMetricFamilies(m_uploader->Figures()))
                  .find("\ncorvane_upload_host_key_mismatch 1\n"),
              std::string::npos);
    EXPECT_EQ(Count(Journal(), " upload-host-key-mismatch "), 1u) << Journal();
    EXPECT_NE(Journal().find(m_server.OtherFingerprint()), std::string::npos);

    fs::permissions(m_server.ClientKey(), fs::perms::others_read, fs::perm_options::add);
    StartUploader(Config());
    ASSERT_TRUE(Failing(2));
    EXPECT_NE(Journal().find("chmod 600 " + m_server.ClientKey().string()), std::string::npos) << Journal();
    EXPECT_TRUE(RemoteNames().empty());
    EXPECT_EQ(Count(m_server.Log(), "Accepted"), 0u) << "the key was offered to an impostor or left open";

    fs::permissions(m_server.ClientKey(), fs::perms::others_read, fs::perm_options::remove);
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(Count(Journal(), " upload-recovered "), 1u);
}

TEST_F(SftpUpload, EveryHourArrivesOnceAndInOrderAfterTheServerWasAway) {
    for (int hour = 0; hour < 5; ++hour) PutInOutbox(HourFile(hour), "hour " + std::to_string(hour) + "\n");
    StartUploader(Config());
    ASSERT_TRUE(Failing(3));
    PutInOutbox(HourFile(5), "hour 5\n");  // counted at once, though the uploader backs off
    EXPECT_TRUE(WaitFor([](const UploadFigures& f) { return f.pendingFiles == 6; }));

    ASSERT_TRUE(m_server.Start()) << m_server.Log();
    ASSERT_TRUE(AllSent());
    std::string expected;
    for (int hour = 0; hour < 6; ++hour) expected += HourFile(hour) + "\n";
    EXPECT_EQ(ReadText(CSentList::DefaultPath()), expected);
    EXPECT_EQ(RemoteNames().size(), 6u);
    EXPECT_EQ(Count(Journal(), " upload-failed "), 1u) << "the first failure only; then one summary an hour";
    EXPECT_EQ(Count(Journal(), " upload-recovered "), 1u) << Journal();
}

class SftpUploadDisk : public SftpUpload, public ::testing::WithParamInterface<CTestSshServer::Disk> {};

TEST_P(SftpUploadDisk, AFailedTransferLeavesNothingUnderAFinalNameAndIsSentWholeLater) {
    ASSERT_TRUE(m_server.Start(GetParam())) << m_server.Log();
    std::string big(4 * CTestSshServer::kLimitBytes, '\0');
    std::generate(big.begin(), big.end(), std::mt19937(7));
    PutInOutbox(HourFile(10), big);
    PutInOutbox(HourFile(11), "hour 11\n");
    StartUploader(Config());
    ASSERT_TRUE(Failing(1));
    // Nothing under a final name, and the later hour waits for the earlier.
    EXPECT_EQ(RemoteNames(), std::vector<std::string>{CSftpSession::TemporaryName(HourFile(10))});

    ASSERT_TRUE(m_server.Start()) << m_server.Log();
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(RemoteNames(), (std::vector<std::string>{HourFile(10), HourFile(11)}));
    EXPECT_TRUE(ReadText(m_server.RemoteFolder() / HourFile(10)) == big);
}

INSTANTIATE_TEST_SUITE_P(CutAndFull, SftpUploadDisk,
                         ::testing::Values(CTestSshServer::Disk::kCutAtLimit,
                                           CTestSshServer::Disk::kFullAtLimit));

TEST_F(SftpUpload, StopCutsShortARequestToAServerThatNeverAnswers) {
    // Connections are taken by the kernel's backlog; no SSH greeting ever comes.
    int port = 0;
    const int silent = CTestSshServer::BoundSocket(port);
    ASSERT_EQ(listen(silent, 4), 0);
    PutInOutbox(HourFile(10), "hour 10\n");
    UploadConfig config = Config();
    config.url = "sftp://station@127.0.0.1:" + std::to_string(port) + "/incoming/";
    StartUploader(config);
    std::this_thread::sleep_for(300ms);  // the request is under way

    const auto before = std::chrono::steady_clock::now();
    m_uploader->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 3s) << "the connection limit is 30 s";
    EXPECT_TRUE(fs::exists(m_folder / "outbox" / HourFile(10)));
    close(silent);
}
