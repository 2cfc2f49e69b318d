// The simulator's end of the serial line: a pseudo-terminal whose slave is published as the link
// COMn in a device folder, where the program (started with CORVANE_DEVICE_DIR set to that folder)
// finds it as "Com port n". Only the master end is held, as a real instrument holds none of the
// program's end: while nobody has the slave open, the master reports a hang-up (HasReader false).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice() { Close(); }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Prepares deviceDir (created when missing; an empty deviceDir makes a new folder under /tmp,
    // removed again by Close) and opens a pseudo-terminal with its line raw at baud; the link is
    // not published yet. On failure returns false with the operator's error text.
    bool Open(const std::string& deviceDir, std::uint16_t port, std::uint32_t baud, std::string& error);
    // Publishes COM<port> to the current pseudo-terminal.
    bool Publish(std::string& error);
    // Closes the pseudo-terminal, as an unplugged adapter would (the program sees a hang-up), and
    // removes the link; the folder stays.
    void Unplug();
    // A new pseudo-terminal (usually another /dev/pts number), published again.
    bool PlugIn(std::string& error);
    // Unplugs and removes a folder made by Open.
    void Close();

    bool IsOpen() const { return m_nMaster >= 0; }
    bool IsPublished() const { return !m_strLinkPath.empty(); }
    int MasterFd() const { return m_nMaster; }
    const std::string& DeviceDir() const { return m_strDeviceDir; }
    // DeviceDir()/COM<port>, published or not.
    std::string LinkPath() const;
    const std::string& SlavePath() const { return m_strSlavePath; }
    // Whether some program has the slave end open.
    bool HasReader() const;
    // The line speed the program has set on its end of the line, in baud (0 when not a standard
    // rate).
    std::uint32_t LineSpeed() const;
    // Bytes sent that the program has not read yet; nothing when that cannot be asked (the
    // program holds the line in exclusive mode and the simulator is not privileged).
    std::optional<int> UnreadBytes() const;

private:
    bool CreateTerminal(std::string& error);
    void CloseTerminal();

    int m_nMaster = -1;
    std::uint16_t m_nPort = 0;
    std::uint32_t m_nBaud = 0;
    std::string m_strDeviceDir;
    bool m_bOwnsDeviceDir = false;
    std::string m_strSlavePath;
    std::string m_strLinkPath;  // set while published
};
