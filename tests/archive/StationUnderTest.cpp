// The station of the end-to-end tests: its home, the program as a process, and what it leaves behind.
#include "StationUnderTest.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "archive/HourKey.h"
#include "settings/SettingsKey.h"

namespace fs = std::filesystem;

namespace {

// The test station's description with export on, sending to the server.
std::string StationDescription(const CTestSshServer& server) {
    std::string text = ReadText(TestData("data/station.conf"));
    text.replace(text.find("export = off"), std::string("export = off").size(), "export = on");
    return text + "upload_url = " + server.Url() + "\nupload_key = " + server.ClientKey().string() +
           "\nupload_host_key = " + server.Fingerprint() + "\n";
}

// The environment of this process with the given entries set (NAME=value) and NAME= entries removed.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) entries.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('=') + 1);
        std::erase_if(entries, [&](const std::string& entry) { return entry.starts_with(name); });
        if (change.size() > name.size()) entries.push_back(change);
    }
    return entries;
}

bool IsArchiveFile(const fs::path& path) {
    return HourKeyOfFileName(path.filename().string()).has_value();
}

std::vector<fs::path> FilesOf(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

}  // namespace

CStationUnderTest::CStationUnderTest(const std::vector<std::string>& simulatorOptions) {
    const fs::path config = m_home.Path() / "config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_STATE_HOME", (m_home.Path() / "state").c_str(), 1);
    fs::create_directories(config / "corvane");
    WriteText(config / "corvane/station.conf", StationDescription(m_server));
    CSettingsKey key;
    EXPECT_TRUE(key.Open(kProductKeyPath, false) && key.WriteDword(kValueLogEnable, 1) &&
                key.WriteString(kValueLogPath, LogFolder().string() + "/") && key.WriteWord(kValueRunPort, 1));
    m_sim = std::make_unique<SimProcess>(simulatorOptions);
}

CStationUnderTest::~CStationUnderTest() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

void CStationUnderTest::StartProgram(const std::vector<std::string>& environment, const std::string& listen) {
    std::vector<std::string> changes = {"XDG_CONFIG_HOME=" + std::string(std::getenv("XDG_CONFIG_HOME")),
                                        "XDG_STATE_HOME=" + std::string(std::getenv("XDG_STATE_HOME")),
                                        "CORVANE_DEVICE_DIR=" + m_sim->DeviceDir(),
                                        "DISPLAY=",
                                        "WAYLAND_DISPLAY=",
                                        "QT_QPA_PLATFORM="};
    if (const char* zone = std::getenv("TZ")) changes.push_back("TZ=" + std::string(zone));
    changes.insert(changes.end(), environment.begin(), environment.end());
    const std::vector<std::string> entries = EnvironmentWith(changes);
    const std::string output = (m_home.Path() / "program.out").string();

    m_pid = fork();
    if (m_pid == 0) {
        std::vector<char*> envp;
        for (const std::string& entry : entries) envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        const int out = open(output.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execle(CORVANE_PATH, CORVANE_PATH, "--start", "--headless", "--listen", listen.c_str(),
               static_cast<char*>(nullptr), envp.data());
        _exit(127);
    }
}

std::optional<int> CStationUnderTest::WaitForExit(std::chrono::seconds timeout) {
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeout);
    if (!ended) return std::nullopt;
    m_pid = -1;
    return status;
}

bool CStationUnderTest::StopProgram() {
    kill(m_pid, SIGTERM);
    const std::optional<int> status = WaitForExit(std::chrono::seconds(30));
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

std::string CStationUnderTest::ProgramOutput() const {
    return ReadText(m_home.Path() / "program.out");
}

std::string CStationUnderTest::Journal() const {
    return ReadText(m_home.Path() / "state/corvane/events.log");
}

std::size_t CStationUnderTest::JournalCount(const std::string& word) const {
    std::istringstream lines(Journal());
    std::size_t count = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.find(' ' + word + ' ') != std::string::npos) ++count;
    return count;
}

std::vector<std::string> CStationUnderTest::ServerFiles() const {
    std::vector<std::pair<timespec, std::string>> arrived;
    for (const fs::path& file : FilesOf(m_server.RemoteFolder())) {
        struct stat info {};
        if (IsArchiveFile(file) && stat(file.c_str(), &info) == 0)
            arrived.emplace_back(info.st_mtim, file.filename().string());
    }
    std::sort(arrived.begin(), arrived.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.tv_sec, a.first.tv_nsec, a.second) < std::tie(b.first.tv_sec, b.first.tv_nsec, b.second);
    });
    std::vector<std::string> names;
    for (const auto& [time, name] : arrived) names.push_back(name);
    return names;
}

std::vector<std::string> CStationUnderTest::ServerLeftovers() const {
    std::vector<std::string> names;
    for (const fs::path& file : FilesOf(m_server.RemoteFolder()))
        if (!IsArchiveFile(file)) names.push_back(file.filename().string());
    return names;
}

std::vector<std::string> CStationUnderTest::OutboxFiles() const {
    std::vector<std::string> names;
    for (const fs::path& file : FilesOf(Outbox()))
        if (IsArchiveFile(file)) names.push_back(file.filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> HourIds(const std::vector<std::string>& names) {
    std::vector<std::string> ids;
    for (const std::string& name : names) ids.push_back(HourKeyOfFileName(name).value().Id());
    return ids;
}

std::map<std::time_t, std::set<std::time_t>> LogRowsByHour(const fs::path& folder, std::chrono::seconds averaging) {
    std::vector<fs::path> logs = FilesOf(folder);
    std::sort(logs.begin(), logs.end());
    std::map<std::time_t, std::set<std::time_t>> rows;
    for (const fs::path& log : logs) {
        std::ifstream in(log, std::ios::binary);
        std::optional<std::time_t> time;
        for (std::string line; std::getline(in, line);) {
            std::tm local{};
            if (std::sscanf(line.c_str(), "T,%d,%d,%d,%d,%d,%d", &local.tm_year, &local.tm_mon, &local.tm_mday,
                            &local.tm_hour, &local.tm_min, &local.tm_sec) == 6) {
                local.tm_year -= 1900;
                local.tm_mon -= 1;
                local.tm_isdst = -1;
                time = std::mktime(&local);
            } else if (time && (line.starts_with("D,") || line.starts_with("Y,"))) {
                const std::time_t start = *time - averaging.count();
                rows[start - start % 3600].insert(*time);
            }
        }
    }
    return rows;
}

std::optional<std::string> HttpGet(int port, const std::string& path) {
    CURL* curl = curl_easy_init();
    std::string body;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) return std::nullopt;
    return body;
}
