// Pseudo-terminal, device folder and instrument responder for the Communications page tests.
#include "PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

CPseudoTerminal::CPseudoTerminal() {
    m_fdMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fdMaster < 0 || grantpt(m_fdMaster) != 0 || unlockpt(m_fdMaster) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_strSlavePath = ptsname(m_fdMaster);
}

CPseudoTerminal::~CPseudoTerminal() {
    close(m_fdMaster);
}

CDeviceFolder::CDeviceFolder() {
    char pattern[] = "/tmp/corvane-pages-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no temporary folder");
    m_strPath = pattern;
}

CDeviceFolder::~CDeviceFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

std::string CDeviceFolder::PortPath(std::uint16_t port) const {
    return m_strPath + "/COM" + std::to_string(port);
}

void CDeviceFolder::Link(std::uint16_t port, const std::string& target) const {
    std::filesystem::create_symlink(target, PortPath(port));
}

void CDeviceFolder::Unlink(std::uint16_t port) const {
    std::filesystem::remove(PortPath(port));
}

CInstrumentResponder::CInstrumentResponder(int fdMaster, std::string version)
    : m_fdMaster(fdMaster), m_strVersion(std::move(version)), m_thread([this] { Run(); }) {}

CInstrumentResponder::~CInstrumentResponder() {
    m_bStop = true;
    m_thread.join();
}

void CInstrumentResponder::Run() {
    std::string line;
    while (!m_bStop) {
        pollfd fd{m_fdMaster, POLLIN, 0};
        if (poll(&fd, 1, 20) <= 0 || (fd.revents & POLLIN) == 0) continue;
        char buffer[256];
        const ssize_t n = read(m_fdMaster, buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i) {
            const char c = static_cast<char>(buffer[i] & 0x7F);  // the port sends 7 bits with parity
            if (c == '\r' || c == '\n') {
                if (!line.empty()) Answer(line);
                line.clear();
            } else {
                line += c;
            }
        }
    }
}

void CInstrumentResponder::Answer(const std::string& command) {
    std::string reply;
    if (command == "UE") reply = "OK\r";
    if (command == "RV") reply = m_strVersion + "\r";
    if (!reply.empty() && write(m_fdMaster, reply.data(), reply.size()) < 0) std::perror("responder write");
}
