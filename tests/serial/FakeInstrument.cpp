// The pseudo-terminal instrument: a thread reads the master side, splits commands at CR LF and answers.
#include "FakeInstrument.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>

FakeInstrument::FakeInstrument(Responder responder) : m_responder(std::move(responder)) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    m_strPath = ptsname(m_master);
    m_slave = open(m_strPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    m_wake = eventfd(0, EFD_CLOEXEC);
    if (m_slave < 0 || m_wake < 0) throw std::runtime_error("cannot open the pseudo-terminal's slave side");
    m_thread = std::thread(&FakeInstrument::Run, this);
}

FakeInstrument::~FakeInstrument() {
    Hangup();
    close(m_wake);
}

termios FakeInstrument::LineSettings() const {
    termios tio{};
    tcgetattr(m_master, &tio);
    return tio;
}

void FakeInstrument::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(m_master, bytes.data(), bytes.size());
        if (n <= 0) throw std::runtime_error("cannot write to the pseudo-terminal");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool FakeInstrument::WaitUntilRead() const {
    // The slave side's input queue is shared by all its descriptors: it empties when the link reads it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (int nQueued = 1; std::chrono::steady_clock::now() < deadline;) {
        if (ioctl(m_slave, FIONREAD, &nQueued) != 0) return false;
        if (nQueued == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

void FakeInstrument::Hangup() {
    Stop();
    if (m_slave >= 0) close(m_slave);
    if (m_master >= 0) close(m_master);
    m_slave = m_master = -1;
}

std::vector<FakeInstrument::Command> FakeInstrument::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void FakeInstrument::Stop() {
    if (!m_thread.joinable()) return;
    const std::uint64_t one = 1;
    if (write(m_wake, &one, sizeof one) != sizeof one) throw std::runtime_error("cannot stop the instrument");
    m_thread.join();
}

void FakeInstrument::Run() {
    std::string pending;
    char buffer[4096];
    pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake, POLLIN, 0}};
    while (poll(fds, 2, -1) >= 0 && fds[1].revents == 0) {
        const ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n <= 0) return;
        for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
            // XON/XOFF sent by the slave side's input flow control are not part of any command.
            if (c != 0x11 && c != 0x13) pending.push_back(c);
        }
        for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos; pending.erase(0, end + 2)) {
            const termios tio = LineSettings();
            const Command command{pending.substr(0, end), cfgetospeed(&tio)};
            {
                std::lock_guard lock(m_mutex);
                m_commands.push_back(command);
            }
            if (m_responder) Send(m_responder(command.text, command.speed));
        }
    }
}
