// The fake instrument's thread, the device folder fixture and the recording owner of the link tests.
#include "SerialTestSupport.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

FakeInstrument::FakeInstrument(Responder responder)
    : m_responder(std::move(responder)), m_thread([this] {
          while (!m_bStop) {
              // A short wait keeps the end of the thread prompt.
              std::optional<std::string> text = ReadLine(std::chrono::milliseconds(10), "\r\n");
              if (!text) continue;
              // XON/XOFF sent by the slave end's input flow control are no part of any command.
              std::erase_if(*text, [](char c) { return c == 0x11 || c == 0x13; });
              const termios tio = LineSettings();
              const Command command{*text, cfgetospeed(&tio)};
              {
                  std::lock_guard lock(m_mutex);
                  m_commands.push_back(command);
              }
              Send(m_responder(command.text, command.speed));
          }
      }) {}

void FakeInstrument::Hangup() {
    m_bStop = true;
    if (m_thread.joinable()) m_thread.join();
    Close();
}

bool FakeInstrument::SendHandedOver(std::string_view bytes, std::chrono::milliseconds timeout) {
    using namespace std::string_view_literals;
    return Send(bytes) && WaitUntilRead(timeout) && Send("\0"sv) && WaitUntilRead(timeout);
}

std::vector<FakeInstrument::Command> FakeInstrument::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void SerialPortFixture::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "corvane-serial-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_strDir = pattern;
    setenv("CORVANE_DEVICE_DIR", m_strDir.c_str(), 1);
}

void SerialPortFixture::TearDown() {
    unsetenv("CORVANE_DEVICE_DIR");
    if (!m_strDir.empty()) fs::remove_all(m_strDir);
}

void SerialPortFixture::MapPort(std::uint16_t nPort, const std::string& target) {
    const fs::path link = fs::path(m_strDir) / ("COM" + std::to_string(nPort));
    fs::remove(link);
    fs::create_symlink(target, link);
}

std::int16_t SerialPortFixture::OpenOn(CSerialLink& link, const FakeInstrument& instrument,
                                       std::uint16_t nPort, std::uint16_t nBaud) {
    MapPort(nPort, instrument.DevicePath());
    link.SetTimeouts(kTestReplyMs, kTestOpenMs);
    return link.OpenPort(nPort, nBaud);
}

bool SerialPortFixture::OtherProgramCanOpen(const FakeInstrument& instrument) {
    constexpr uid_t kNobody = 65534;
    if (geteuid() == 0) {
        fs::permissions(m_strDir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(instrument.DevicePath(), fs::perms::others_read | fs::perms::others_write,
                        fs::perm_options::add);
    }
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(2);
        _exit(open(instrument.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK) >= 0 ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "cannot drop privileges";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RecordingOwner::OnLinkEvent(std::uint16_t event) {
    std::lock_guard lock(m_mutex);
    m_parameters.push_back(event);
    m_cv.notify_all();
}

std::vector<std::uint16_t> RecordingOwner::WaitForEvents(std::size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_cv.wait_for(lock, timeout, [&] { return m_parameters.size() >= n; });
    return m_parameters;
}

TimedReply SendTimed(CSerialLink& link, const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    std::string text = link.SendCommand("%s", command.c_str());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return {std::move(text), static_cast<std::uint32_t>(
                                 std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count())};
}

FakeInstrument::Responder Answers(std::map<std::string, std::string> replies) {
    replies.emplace("UE", "OK\r");
    return [replies = std::move(replies)](const std::string& command, speed_t) {
        const auto found = replies.find(command);
        return found == replies.end() ? std::string() : found->second;
    };
}
