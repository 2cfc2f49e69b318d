// Opening and publishing the simulator's pseudo-terminal.
#include "sim/PtyDevice.h"

#include <fcntl.h>
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

}  // namespace

bool PtyDevice::Open(const std::string& deviceDir, std::uint16_t port, std::uint32_t baud,
                     std::string& error) {
    m_nMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_nMaster < 0 || grantpt(m_nMaster) != 0 || unlockpt(m_nMaster) != 0) {
        error = SystemError("cannot open a pseudo-terminal");
        Close();
        return false;
    }
    char slavePath[128];
    if (ptsname_r(m_nMaster, slavePath, sizeof slavePath) != 0) {
        error = SystemError("cannot name the pseudo-terminal");
        Close();
        return false;
    }
    m_strSlavePath = slavePath;
    m_nSlave = open(slavePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios line{};
    if (m_nSlave < 0 || tcgetattr(m_nSlave, &line) != 0) {
        error = SystemError("cannot open " + m_strSlavePath);
        Close();
        return false;
    }
    // Raw, so that nothing the simulator sends is echoed back to it as a command before the
    // program configures the line.
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&line, SpeedCodeOf(baud));
    cfsetospeed(&line, SpeedCodeOf(baud));
    tcsetattr(m_nSlave, TCSANOW, &line);

    if (deviceDir.empty()) {
        char folder[] = "/tmp/corvane-sim.XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            error = SystemError("cannot make a device folder under /tmp");
            Close();
            return false;
        }
        m_strDeviceDir = folder;
        m_bOwnsDeviceDir = true;
    } else {
        m_strDeviceDir = deviceDir;
        if (mkdir(deviceDir.c_str(), 0755) != 0 && errno != EEXIST) {
            error = SystemError("cannot make the device folder " + deviceDir);
            Close();
            return false;
        }
    }
    m_strLinkPath = m_strDeviceDir + "/COM" + std::to_string(port);
    if (!Publish(error)) {
        m_strLinkPath.clear();
        Close();
        return false;
    }
    return true;
}

bool PtyDevice::Publish(std::string& error) {
    if (symlink(m_strSlavePath.c_str(), m_strLinkPath.c_str()) == 0) return true;
    if (errno == EEXIST)
        error = m_strLinkPath +
                " already exists: another simulator publishes that port, or one that was killed " +
                "left it behind (remove it, or choose another --port)";
    else
        error = SystemError("cannot publish " + m_strLinkPath);
    return false;
}

void PtyDevice::Close() {
    if (!m_strLinkPath.empty()) {
        // Only our own link: never remove what another simulator has published since.
        char target[256];
        const ssize_t length = readlink(m_strLinkPath.c_str(), target, sizeof target - 1);
        if (length >= 0 && m_strSlavePath == std::string(target, static_cast<std::size_t>(length)))
            unlink(m_strLinkPath.c_str());
        m_strLinkPath.clear();
    }
    if (m_nSlave >= 0) close(m_nSlave);
    if (m_nMaster >= 0) close(m_nMaster);
    m_nSlave = m_nMaster = -1;
    if (m_bOwnsDeviceDir) rmdir(m_strDeviceDir.c_str());  // only when nothing else was put there
    m_bOwnsDeviceDir = false;
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

int PtyDevice::UnreadBytes() const {
    // All descriptors of the slave share its input queue, so ours shows what the program left.
    int count = 0;
    if (m_nSlave < 0 || ioctl(m_nSlave, FIONREAD, &count) != 0) return 0;
    return count;
}
