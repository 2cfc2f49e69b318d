// CSerialLink, port side: device names, exclusive opening, line settings, closing, raw reads and writes.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "LineSettings.h"
#include "PortHolders.h"
#include "PortMap.h"
#include "Trace.h"
#include "serial/SerialLink.h"

namespace {
// A write must finish within 10 ms per byte plus one second, even while the instrument holds XOFF.
constexpr int kWriteMsPerByte = 10;
constexpr int kWriteMsConstant = 1000;

struct DeviceRange {
    std::uint16_t nFirstPort;
    std::uint16_t nLastPort;
    const char* prefix;
};
constexpr DeviceRange kDeviceTable[] = {
    {1, 4, "/dev/ttyS"},
    {5, 12, "/dev/ttyUSB"},
    {13, 16, "/dev/ttyACM"},
};

// Opens a serial device so that no other program, nor another copy of this one, can share it.
// TIOCEXCL turns away later opens by ordinary users; the lock also turns away root; a device that
// another process already has open is refused too. The lock is taken and the holders are looked for
// first, so that a refused attempt leaves the holder's device flags alone. -1 on failure (errno set).
int OpenExclusive(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    pid_t holder = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &info) != 0 ||
        (S_ISCHR(info.st_mode) && (holder = OtherHolderOf(info.st_rdev)) != 0) || ioctl(fd, TIOCEXCL) != 0) {
        const int error = holder != 0 ? EBUSY : errno;
        if (holder != 0) TraceComm("%s is open in process %d", path.c_str(), static_cast<int>(holder));
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Lifts the exclusive mode before closing: a pseudo-terminal keeps it while its other side stays open.
void CloseExclusive(int fd) {
    ioctl(fd, TIOCNXCL);
    close(fd);
}
}  // namespace

std::string CSerialLink::DeviceForPort(std::uint16_t nPort) {
    if (nPort == 0 || nPort > kLastComPort) return {};
    if (const char* dir = std::getenv("CORVANE_DEVICE_DIR"))
        return std::string(dir) + "/COM" + std::to_string(nPort);
    if (std::optional<std::string> mapped = MappedDevice(nPort)) return *mapped;
    for (const DeviceRange& range : kDeviceTable) {
        if (nPort >= range.nFirstPort && nPort <= range.nLastPort)
            return range.prefix + std::to_string(nPort - range.nFirstPort);
    }
    return {};
}

bool CSerialLink::CanOpenPort(std::uint16_t nPort) {
    const std::string path = DeviceForPort(nPort);
    if (path.empty()) return false;
    const int fd = OpenExclusive(path);
    if (fd < 0) return false;
    CloseExclusive(fd);
    return true;
}

// Opening steps: device, purge, reader thread, DTR and RTS. 0, or 1 (no device) or 2 (no reader).
std::int16_t CSerialLink::OpenDevice(std::uint16_t nPort) {
    const std::string path = DeviceForPort(nPort);
    const int fd = path.empty() ? -1 : OpenExclusive(path);
    if (fd < 0) {
        TraceComm("Cannot open port %d", nPort);
        if (!path.empty()) TraceComm("%s: %s", path.c_str(), std::strerror(errno));
        return kOpenNoDevice;
    }
    m_hComm = fd;
    tcflush(m_hComm, TCIOFLUSH);
    m_hWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_hWake >= 0) {
        m_bLinkLost = false;
        m_bConnected = true;
        try {
            m_hThread = std::thread(&CSerialLink::ReaderLoop, this);
        } catch (const std::system_error& e) {
            TraceComm("Cannot start the reader thread (%s)", e.what());
        }
    } else {
        TraceComm("Cannot create the reader's wake-up event (%s)", std::strerror(errno));
    }
    if (!m_hThread.joinable()) {
        m_bConnected = false;
        if (m_hWake >= 0) close(m_hWake);
        m_hWake = -1;
        CloseExclusive(m_hComm);
        m_hComm = -1;
        return kOpenNoAnswer;
    }
    SetModemLines(TIOCMBIS, "raise DTR and RTS");
    return kOpenOk;
}

// DTR and RTS through the modem-control lines. Pseudo-terminals have none: traced, not an error.
void CSerialLink::SetModemLines(unsigned long request, const char* what) {
    int lines = request == TIOCMBIS ? (TIOCM_DTR | TIOCM_RTS) : TIOCM_DTR;
    if (ioctl(m_hComm, request, &lines) != 0) TraceComm("Cannot %s (%s)", what, std::strerror(errno));
}

std::int16_t CSerialLink::ApplyLineSettings() {
    termios tio{};
    if (tcgetattr(m_hComm, &tio) != 0) {
        TraceComm("Cannot read the line settings (%s)", std::strerror(errno));
        return kOpenSettingsRefused;
    }
    if (!BuildLineSettings(tio, m_dwBaudRate, m_byByteSize, m_byParity, m_byStopBits, m_byFlowCtrl)) {
        TraceComm("Unsupported line settings at %u baud", static_cast<unsigned>(m_dwBaudRate));
        return kOpenSettingsRefused;
    }
    // The read-back decides, not tcsetattr's result: it succeeds when any change took, and refuses (EINVAL)
    // a call whose only changes are a character size or parity that the device does not keep, which
    // happens on every reopen of a pseudo-terminal.
    const bool bSet = tcsetattr(m_hComm, TCSANOW, &tio) == 0;
    const int nSetError = errno;
    termios actual{};
    if (tcgetattr(m_hComm, &actual) != 0 || !LineSettingsHeld(actual, tio)) {
        TraceComm("Cannot set the line settings at %u baud (%s)", static_cast<unsigned>(m_dwBaudRate),
                  bSet ? "not kept" : std::strerror(nSetError));
        return kOpenSettingsRefused;
    }
    return kOpenOk;
}

bool CSerialLink::ClosePort() {
    if (m_hComm < 0 || !m_bConnected) return false;
    m_bConnected = false;
    {
        // Wakes a reader held back by a full record queue.
        std::lock_guard lock(m_lock);
        m_cvQueueSpace.notify_all();
    }
    const std::uint64_t one = 1;
    if (write(m_hWake, &one, sizeof one) != sizeof one)
        TraceComm("Cannot wake the reader (%s)", std::strerror(errno));
    m_hThread.join();
    TraceComm("Main thread - Comm thread has stopped OK");
    close(m_hWake);
    m_hWake = -1;
    SetModemLines(TIOCMBIC, "drop DTR");
    tcflush(m_hComm, TCIOFLUSH);
    CloseExclusive(m_hComm);
    m_hComm = -1;
    TraceComm("COMM CLOSED\n");
    return true;
}

// Reads what is queued, at most nMax bytes, without blocking; 0 when nothing is. bHungUp is set when the
// device is gone: the queue cannot be asked, or a read of queued bytes fails or finds the line hung up.
std::size_t CSerialLink::ReadPending(char* buffer, std::size_t nMax, bool& bHungUp) {
    int nQueued = 0;
    if (ioctl(m_hComm, FIONREAD, &nQueued) != 0) {
        TraceComm("Error occurred try to recover (<CE-%d>)", errno);
        bHungUp = true;
        return 0;
    }
    if (nQueued <= 0) return 0;
    const ssize_t nRead = read(m_hComm, buffer, std::min(nMax, static_cast<std::size_t>(nQueued)));
    if (nRead > 0) return static_cast<std::size_t>(nRead);
    if (nRead < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    TraceComm("Error occurred try to recover (<CE-%d>)", nRead < 0 ? errno : 0);
    bHungUp = true;
    return 0;
}

bool CSerialLink::WriteRaw(const std::string& text) {
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(kWriteMsConstant + kWriteMsPerByte * text.size());
    std::size_t nDone = 0;
    while (nDone < text.size()) {
        const ssize_t n = write(m_hComm, text.data() + nDone, text.size() - nDone);
        if (n > 0) {
            nDone += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            TraceComm("Got an error on the WriteFile (%s)", std::strerror(errno));
            return false;
        }
        // The output queue is full, typically because the instrument sent XOFF: wait for room.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd pfd{m_hComm, POLLOUT, 0};
        if (left <= 0 || poll(&pfd, 1, static_cast<int>(left)) == 0) {
            TraceComm("Write timed out after %zu of %zu bytes", nDone, text.size());
            return false;
        }
    }
    return true;
}
