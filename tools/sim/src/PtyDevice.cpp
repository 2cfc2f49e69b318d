// Opening and publishing the simulator's pseudo-terminal.
#include "sim/PtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

struct SpeedCode {
    speed_t code;
    std::uint32_t baud;
};
constexpr SpeedCode kSpeeds[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
                                 {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};

speed_t SpeedCodeOf(std::uint32_t baud) {
    for (const SpeedCode& speed : kSpeeds)
        if (speed.baud == baud) return speed.code;
    return B9600;
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Opens the slave end for a moment; -1 when it cannot be (errno set).
int OpenSlave(const std::string& path) {
    return open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

bool PtyDevice::Open(const std::string& deviceDir, std::uint16_t port, std::uint32_t baud,
                     std::string& error) {
    m_nPort = port;
    m_nBaud = baud;
    if (deviceDir.empty()) {
        char folder[] = "/tmp/corvane-sim.XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            error = SystemError("cannot make a device folder under /tmp");
            return false;
        }
        m_strDeviceDir = folder;
        m_bOwnsDeviceDir = true;
    } else {
        m_strDeviceDir = deviceDir;
        if (mkdir(deviceDir.c_str(), 0755) != 0 && errno != EEXIST) {
            error = SystemError("cannot make the device folder " + deviceDir);
            return false;
        }
    }
    if (!CreateTerminal(error)) {
        Close();
        return false;
    }
    return true;
}

bool PtyDevice::CreateTerminal(std::string& error) {
    m_nMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_nMaster < 0 || grantpt(m_nMaster) != 0 || unlockpt(m_nMaster) != 0) {
        error = SystemError("cannot open a pseudo-terminal");
        CloseTerminal();
        return false;
    }
    char slavePath[128];
    if (ptsname_r(m_nMaster, slavePath, sizeof slavePath) != 0) {
        error = SystemError("cannot name the pseudo-terminal");
        CloseTerminal();
        return false;
    }
    m_strSlavePath = slavePath;
    // Raw, so that nothing the simulator sends is echoed back to it as a command before the
    // program configures the line. The settings outlive this short open: the master keeps the
    // pair alive.
    const int slave = OpenSlave(m_strSlavePath);
    termios line{};
    if (slave < 0 || tcgetattr(slave, &line) != 0) {
        error = SystemError("cannot open " + m_strSlavePath);
        if (slave >= 0) close(slave);
        CloseTerminal();
        return false;
    }
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&line, SpeedCodeOf(m_nBaud));
    cfsetospeed(&line, SpeedCodeOf(m_nBaud));
    tcsetattr(slave, TCSANOW, &line);
    close(slave);
    return true;
}

std::string PtyDevice::LinkPath() const {
    return m_strDeviceDir + "/COM" + std::to_string(m_nPort);
}

bool PtyDevice::Publish(std::string& error) {
    const std::string link = LinkPath();
    if (symlink(m_strSlavePath.c_str(), link.c_str()) == 0) {
        m_strLinkPath = link;
        return true;
    }
    if (errno == EEXIST)
        error = link + " already exists: another simulator publishes that port, or one that was killed " +
                "left it behind (remove it, or choose another --port)";
    else
        error = SystemError("cannot publish " + link);
    return false;
}

void PtyDevice::Unplug() {
    if (!m_strLinkPath.empty()) {
        // Only our own link: never remove what another simulator has published since.
        char target[256];
        const ssize_t length = readlink(m_strLinkPath.c_str(), target, sizeof target - 1);
        if (length >= 0 && m_strSlavePath == std::string(target, static_cast<std::size_t>(length)))
            unlink(m_strLinkPath.c_str());
        m_strLinkPath.clear();
    }
    CloseTerminal();
}

bool PtyDevice::PlugIn(std::string& error) {
    Unplug();
    return CreateTerminal(error) && Publish(error);
}

void PtyDevice::CloseTerminal() {
    if (m_nMaster >= 0) close(m_nMaster);
    m_nMaster = -1;
}

void PtyDevice::Close() {
    Unplug();
    if (m_bOwnsDeviceDir) rmdir(m_strDeviceDir.c_str());  // only when nothing else was put there
    m_bOwnsDeviceDir = false;
}

bool PtyDevice::HasReader() const {
    pollfd pfd{m_nMaster, 0, 0};
    return m_nMaster >= 0 && poll(&pfd, 1, 0) >= 0 && (pfd.revents & POLLHUP) == 0;
}

std::uint32_t PtyDevice::LineSpeed() const {
    // The master's settings are the slave's: this is the speed the program has chosen.
    termios line{};
    if (m_nMaster < 0 || tcgetattr(m_nMaster, &line) != 0) return 0;
    const speed_t code = cfgetospeed(&line);
    for (const SpeedCode& speed : kSpeeds)
        if (speed.code == code) return speed.baud;
    return 0;
}

std::optional<int> PtyDevice::UnreadBytes() const {
    // The slave's input queue is shared by all its descriptors, so a short open of our own shows
    // what the program left. The program's exclusive mode turns that open away unless privileged.
    if (m_nMaster < 0) return std::nullopt;
    const int slave = OpenSlave(m_strSlavePath);
    if (slave < 0) return std::nullopt;
    int count = 0;
    const bool bAsked = ioctl(slave, FIONREAD, &count) == 0;
    close(slave);
    if (!bAsked) return std::nullopt;
    return count;
}
