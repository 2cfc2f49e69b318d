// Pseudo-terminals standing in for serial ports: a device folder whose COMn links lead to their
// slave sides, and a responder that plays the instrument's part of the open handshake and the
// version query on a master side.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class CPseudoTerminal {
public:
    CPseudoTerminal();
    ~CPseudoTerminal();
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;

    int MasterFd() const { return m_fdMaster; }
    const std::string& SlavePath() const { return m_strSlavePath; }

private:
    int m_fdMaster = -1;
    std::string m_strSlavePath;
};

// A temporary folder for CORVANE_DEVICE_DIR, removed with its links.
class CDeviceFolder {
public:
    CDeviceFolder();
    ~CDeviceFolder();
    CDeviceFolder(const CDeviceFolder&) = delete;
    CDeviceFolder& operator=(const CDeviceFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string PortPath(std::uint16_t port) const;
    void Link(std::uint16_t port, const std::string& target) const;
    void Unlink(std::uint16_t port) const;

private:
    std::string m_strPath;
};

// Answers "UE" with "OK" and "RV" with the version line until destroyed.
class CInstrumentResponder {
public:
    CInstrumentResponder(int fdMaster, std::string version);
    ~CInstrumentResponder();
    CInstrumentResponder(const CInstrumentResponder&) = delete;
    CInstrumentResponder& operator=(const CInstrumentResponder&) = delete;

private:
    void Run();
    void Answer(const std::string& command);

    int m_fdMaster;
    std::string m_strVersion;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
