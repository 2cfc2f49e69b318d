// Starts, watches and stops the corvane-sim process for end-to-end tests and benchmarks.
#include "SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(5);

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The texts of the transcript entries of one kind ("TX", "RX").
std::vector<std::string> EntriesOfKind(const std::vector<std::string>& lines, std::string_view kind) {
    std::vector<std::string> texts;
    for (const std::string& line : lines) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        const std::string_view rest = std::string_view(line).substr(space + 1);
        if (rest.size() > kind.size() && rest.substr(0, kind.size()) == kind && rest[kind.size()] == ' ')
            texts.emplace_back(rest.substr(kind.size() + 1));
    }
    return texts;
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& options, std::uint16_t nPort) : m_nPort(nPort) {
    char folder[] = "/tmp/corvane-sim-test.XXXXXX";
    if (mkdtemp(folder) == nullptr) throw std::runtime_error("SimProcess: cannot make a device folder");
    m_strDeviceDir = folder;
    m_strTranscriptPath = m_strDeviceDir + "/sim-transcript-COM" + std::to_string(nPort) + ".txt";
    m_strOutputPath = m_strDeviceDir + "/sim-output-COM" + std::to_string(nPort) + ".txt";

    std::vector<std::string> args = {CORVANE_SIM_PATH,      "--device-dir", m_strDeviceDir,     "--port",
                                     std::to_string(nPort), "--transcript", m_strTranscriptPath};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // Made here, so that it can be watched before the simulator has started; the simulator empties it.
    std::ofstream(m_strTranscriptPath).flush();
    const int output =
        open(m_strOutputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    m_pid = fork();
    if (m_pid == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        dup2(output, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (output >= 0) close(output);
    if (m_pid > 0) m_nPidFd = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));

    std::string failure;
    const bool bAppearsLater = std::any_of(options.begin(), options.end(), [](const std::string& option) {
        return option.starts_with("--appear-after");
    });
    if (m_pid < 0 || m_nPidFd < 0)
        failure = "cannot start " CORVANE_SIM_PATH;
    else if (!bAppearsLater && !WaitForLink(kStartTimeout))
        failure = "corvane-sim did not publish " + DevicePath() + " within 5 seconds";
    if (!failure.empty()) {
        if (m_pid > 0 && !m_bExited) Stop();
        if (m_nPidFd >= 0) close(m_nPidFd);
        const std::string message = "SimProcess: " + failure + "\n" + Output();
        std::filesystem::remove_all(m_strDeviceDir);
        throw std::runtime_error(message);
    }
}

bool SimProcess::WaitUntil(const std::function<bool()>& condition, const std::string& path,
                           std::uint32_t mask, std::chrono::milliseconds timeout) const {
    // Watch before the first look, so that a change between the two cannot be missed.
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0 || inotify_add_watch(watch, path.c_str(), mask) < 0) {
        if (watch >= 0) close(watch);
        return false;
    }
    bool bHolds;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!(bHolds = condition())) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfds[2] = {{watch, POLLIN, 0}, {m_nPidFd, POLLIN, 0}};
        if (left.count() <= 0 || poll(pfds, 2, static_cast<int>(left.count())) == 0) break;
        if (pfds[1].revents != 0) {  // exited: what it wrote last is all there will be
            bHolds = condition();
            break;
        }
        char events[4096];
        while (read(watch, events, sizeof events) > 0) {
        }
    }
    close(watch);
    return bHolds;
}

SimProcess::~SimProcess() {
    if (m_pid > 0 && !m_bExited) Stop();
    if (m_nPidFd >= 0) close(m_nPidFd);
    std::error_code ignored;
    std::filesystem::remove_all(m_strDeviceDir, ignored);
}

std::string SimProcess::DevicePath() const {
    return m_strDeviceDir + "/COM" + std::to_string(m_nPort);
}

std::vector<std::string> SimProcess::TranscriptLines() const {
    std::vector<std::string> lines;
    std::istringstream text(ReadWholeFile(m_strTranscriptPath));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> SimProcess::UnpolledRecordLines() const {
    constexpr std::string_view kRecordLetters = "DTBGRYZ";
    std::vector<std::string> lines;
    bool unpolled = false;
    for (const std::string& entry : TranscriptLines()) {
        const std::string rest = entry.substr(entry.find(' ') + 1);
        if (rest == "RX UB") unpolled = true;
        if (rest == "RX UE" || rest == "EVENT gone" || rest == "EVENT restarting") unpolled = false;
        if (unpolled && rest.starts_with("TX ") && rest.size() > 3 && kRecordLetters.find(rest[3]) != std::string::npos)
            lines.push_back(rest.substr(3));
    }
    return lines;
}

std::vector<std::string> SimProcess::SentLines() const {
    return EntriesOfKind(TranscriptLines(), "TX");
}

std::vector<std::string> SimProcess::ReceivedCommands() const {
    return EntriesOfKind(TranscriptLines(), "RX");
}

std::string SimProcess::Output() const {
    return ReadWholeFile(m_strOutputPath);
}

std::vector<std::string> SimProcess::Events() const {
    return EntriesOfKind(TranscriptLines(), "EVENT");
}

bool SimProcess::WaitForLink(std::chrono::milliseconds timeout) const {
    return WaitUntil([this] { return access(DevicePath().c_str(), F_OK) == 0; }, m_strDeviceDir,
                     IN_CREATE | IN_MOVED_TO, timeout);
}

bool SimProcess::WaitForEvent(std::string_view word, std::size_t nCount,
                              std::chrono::milliseconds timeout) const {
    const auto seen = [&] {
        const std::vector<std::string> events = Events();
        return static_cast<std::size_t>(std::count_if(
                   events.begin(), events.end(),
                   [&](const std::string& event) { return event.starts_with(word); })) >= nCount;
    };
    return WaitUntil(seen, m_strTranscriptPath, IN_MODIFY, timeout);
}

void SimProcess::Vanish() const {
    kill(m_pid, SIGUSR1);
}

void SimProcess::Restart() const {
    kill(m_pid, SIGUSR2);
}

int SimProcess::Stop() {
    if (!m_bExited) {
        kill(m_pid, SIGTERM);
        m_bExited = waitpid(m_pid, &m_nExitStatus, 0) == m_pid;
    }
    return m_nExitStatus;
}
