// CSerialLink: the program's one connection to the instrument over a serial port.
// Opens and configures the port, runs the reader thread that cuts the byte stream into
// CR-terminated lines, carries out command/reply exchanges and queues unpolled lines.
// Used by the main window, the settings transfer and the Communications page.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/LineFormat.h"

// Receives the link's notifications. Called on the reader thread: an implementation must only
// hand the notification over to its own thread.
class ISerialLinkOwner {
public:
    virtual ~ISerialLinkOwner() = default;
    // event: kCommEventLines or kCommEventLinkLost.
    virtual void OnLinkEvent(std::uint16_t event) = 0;
};

// An unpolled line and the PC's time its CR arrived.
struct ReceivedLine {
    std::string text;  // without its CR
    std::chrono::system_clock::time_point arrival;
};

// The rate of the instrument's line; every opening of the program uses it.
inline constexpr std::uint16_t kInstrumentBaud = 9600;
// Com ports are numbered from 1 to this.
inline constexpr std::uint16_t kLastComPort = 16;
// "Com5": a Com port as the journal and the settings name it.
std::string ComPortName(std::uint16_t nPort);

// Unpolled lines are waiting for TakeRecordLines. Sent when the first of them arrives; lines that
// arrive before the owner has taken them come with it, so one notification stands for all.
inline constexpr std::uint16_t kCommEventLines = 0x0200;
// Sent once when the device disappears while the port is open, after the lines received before.
inline constexpr std::uint16_t kCommEventLinkLost = 0x0100;

class CSerialLink {
public:
    CSerialLink();
    virtual ~CSerialLink();
    CSerialLink(const CSerialLink&) = delete;
    CSerialLink& operator=(const CSerialLink&) = delete;

    // OpenPort results.
    static constexpr std::int16_t kOpenOk = 0;
    static constexpr std::int16_t kOpenNoDevice = 1;
    static constexpr std::int16_t kOpenNoAnswer = 2;
    static constexpr std::int16_t kOpenSettingsRefused = 3;

    bool IsConnected() const;
    // nBaud 0 tries 9600, 38400 and 19200 in that order.
    std::int16_t OpenPort(std::uint16_t nPort, std::uint16_t nBaud);
    bool ClosePort();
    // Formats the command (at most kMaxCommandLength characters), sends it with CR LF and returns the
    // reply line, or "WriteComm" when none came within the time-out.
    std::string SendCommand(const char* format, ...) __attribute__((format(printf, 2, 3)));
    std::string GetVersion();
    std::uint16_t GetBaudRate() const;
    std::uint16_t GetPortNumber() const;
    void SetOwnerWindow(ISerialLinkOwner* pOwner);
    void SetUnpolled(bool bUnpolled);
    // Takes every waiting unpolled line, in arrival order (record lines and any others alike).
    std::vector<ReceivedLine> TakeRecordLines();
    // From any thread: an exchange under way returns at once with "WriteComm", and every exchange and
    // open after it does the same without sending, until AllowExchanges. A run being stopped uses it so
    // that no time-out stands between the operator and the end of the run.
    void CancelExchanges();
    void AllowExchanges();
    // True once the reader has seen the device disappear; cleared by the next OpenPort.
    bool IsLinkLost() const;

    // Reply time-outs in milliseconds (1000 and 2000 in the program; tests shorten them).
    void SetTimeouts(std::uint32_t replyMs, std::uint32_t openMs);

    // Device path of Com port n: $CORVANE_DEVICE_DIR/COMn when the variable is set, else the path that
    // the user's ports.conf maps it to (read at each call), else the fixed table (1-4 /dev/ttyS0-3,
    // 5-12 /dev/ttyUSB0-7, 13-16 /dev/ttyACM0-3). Empty for no device.
    static std::string DeviceForPort(std::uint16_t nPort);
    // Opens Com port n exclusively and closes it at once, configuring nothing.
    static bool CanOpenPort(std::uint16_t nPort);
    // The Com ports that open now, in number order (the Communications page's list).
    static std::vector<std::uint16_t> OpenablePorts();

private:
    std::int16_t OpenDevice(std::uint16_t nPort);
    std::int16_t ApplyLineSettings();
    void SetModemLines(unsigned long request, const char* what);
    std::size_t ReadPending(char* buffer, std::size_t nMax, bool& bHungUp);
    bool WriteRaw(const std::string& text);
    void ReaderLoop();
    void DispatchLine(const std::string& line, std::chrono::system_clock::time_point arrival);
    void SetBuffer(const std::string& line);
    void Notify(std::uint16_t wParam);
    void WriteComm(const std::string& command);

    std::mutex m_lock;
    std::atomic<bool> m_bConnected{false};
    std::atomic<bool> m_bLinkLost{false};
    std::thread m_hThread;
    int m_hComm = -1;  // port descriptor, -1 while closed
    int m_hWake = -1;  // eventfd that ClosePort signals to end the reader's poll
    std::uint16_t m_nPort = 0;
    std::uint32_t m_dwTimeout = 1000;
    std::uint32_t m_dwReplyTimeout = 1000;
    std::uint32_t m_dwOpenTimeout = 2000;
    std::atomic<bool> m_bUnpolled{false};
    std::atomic<bool> m_bCancelled{false};
    std::uint8_t m_byFlowCtrl = FlowControl::kXonXoff;
    StopBits m_byStopBits = StopBits::One;
    Parity m_byParity = Parity::Even;
    std::uint32_t m_dwBaudRate = kInstrumentBaud;
    std::uint8_t m_byByteSize = 7;
    // Auto-reset reply event: set by SetBuffer, consumed by one wait, cleared before each command.
    std::condition_variable m_cvResponse;
    bool m_bResponseEvent = false;
    std::string m_strResponse;
    std::list<std::string> m_lstResponses;
    std::vector<ReceivedLine> m_lstLines;    // unpolled lines waiting for the owner, oldest first
    std::condition_variable m_cvQueueSpace;  // the lines were taken, or the reader must go on
    ISerialLinkOwner* m_pOwner = nullptr;  // guarded by m_lock
};
