// Device folder fixture, recording owner and thread count for the serial link tests.
#include "SerialTestSupport.h"

#include <stdlib.h>

#include <filesystem>

namespace fs = std::filesystem;

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

void RecordingOwner::PostCommEvent(std::uint32_t uMsg, std::uint16_t wParam) {
    std::lock_guard lock(m_mutex);
    m_events.push_back({uMsg, wParam});
    m_cv.notify_all();
}

std::vector<RecordingOwner::Event> RecordingOwner::WaitForEvents(std::size_t n,
                                                                 std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_cv.wait_for(lock, timeout, [&] { return m_events.size() >= n; });
    return m_events;
}

std::vector<std::uint16_t> RecordingOwner::Parameters() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint16_t> parameters;
    for (const Event& event : m_events) parameters.push_back(event.wParam);
    return parameters;
}

std::size_t ThreadCount() {
    const fs::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(fs::begin(tasks), fs::end(tasks)));
}

std::int16_t SerialPortFixture::OpenOn(CSerialLink& link, const FakeInstrument& instrument,
                                       std::uint16_t nPort) {
    MapPort(nPort, instrument.DevicePath());
    link.SetTimeouts(kTestReplyMs, kTestOpenMs);
    return link.OpenPort(nPort, 9600);
}

FakeInstrument::Responder Answers(std::map<std::string, std::string> replies) {
    replies.emplace("UE", "OK\r");
    return [replies = std::move(replies)](const std::string& command, speed_t) {
        const auto found = replies.find(command);
        return found == replies.end() ? std::string() : found->second;
    };
}
