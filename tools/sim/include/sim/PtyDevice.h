// The simulator's end of the serial line: a pseudo-terminal whose slave is published as the link
// COMn in a device folder, where the program (started with CORVANE_DEVICE_DIR set to that folder)
// finds it as "Com port n".
#pragma once

#include <cstdint>
#include <string>

class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice() { Close(); }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Opens the pseudo-terminal, sets its line to raw at baud and publishes COM<port> in
    // deviceDir (created when missing; an empty deviceDir makes a new folder under /tmp, removed
    // again by Close). On failure returns false with the operator's error text.
    bool Open(const std::string& deviceDir, std::uint16_t port, std::uint32_t baud, std::string& error);
    // Closes both ends, as an unplugged adapter would (the program sees a hang-up), and removes
    // the link (and a folder made by Open).
    void Close();

    bool IsOpen() const { return m_nMaster >= 0; }
    int MasterFd() const { return m_nMaster; }
    const std::string& DeviceDir() const { return m_strDeviceDir; }
    const std::string& LinkPath() const { return m_strLinkPath; }
    const std::string& SlavePath() const { return m_strSlavePath; }
    // The line speed the program has set on its end of the line, in baud (0 when not a standard
    // rate).
    std::uint32_t LineSpeed() const;
    // Bytes sent that the program has not read yet.
    int UnreadBytes() const;

private:
    bool Publish(std::string& error);

    int m_nMaster = -1;
    // Held open so the line stays up while no program has the port open: without it the master
    // reports a hang-up whenever the program closes its end.
    int m_nSlave = -1;
    std::string m_strDeviceDir;
    bool m_bOwnsDeviceDir = false;
    std::string m_strSlavePath;
    std::string m_strLinkPath;
};
