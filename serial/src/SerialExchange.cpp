// CSerialLink, exchange side: one command, one reply line or a time-out; the open handshake.
#include <cstdarg>
#include <cstdio>
#include <span>

#include "Trace.h"
#include "serial/InstrumentCommands.h"
#include "serial/SerialLink.h"

namespace {
// Rates tried by an open without a given rate, in this order.
constexpr std::uint32_t kSearchRates[] = {9600, 38400, 19200};
}  // namespace

// Sends the command with CR LF and waits for the next line the reader completes, or the time-out.
void CSerialLink::WriteComm(const std::string& command) {
    {
        std::lock_guard lock(m_lock);
        m_strResponse = kNoReply;
        m_lstResponses.clear();
        m_bResponseEvent = false;
        if (m_bCancelled) {
            TraceComm("%s not sent: exchanges are cancelled", command.c_str());
            return;
        }
    }
    // A failed write is traced there; the wait below then runs out.
    WriteRaw(command + "\r\n");

    std::unique_lock lock(m_lock);
    m_cvResponse.wait_for(lock, std::chrono::milliseconds(m_dwTimeout),
                          [this] { return m_bResponseEvent || m_bLinkLost || m_bCancelled; });
    if (m_bResponseEvent)
        TraceComm("%s completed : %s", command.c_str(), m_strResponse.c_str());
    else
        TraceComm("Got an error waiting for machine to respond.");
    m_bResponseEvent = false;
}

// Reader thread, m_lock held: every line in polled mode is the reply of the waiting exchange.
void CSerialLink::SetBuffer(const std::string& line) {
    m_lstResponses.push_back(line);
    m_strResponse = line;
    m_bResponseEvent = true;
    m_cvResponse.notify_one();
}

std::string CSerialLink::SendCommand(const char* format, ...) {
    char command[kMaxCommandLength + 1];
    va_list args;
    va_start(args, format);
    const int nLength = std::vsnprintf(command, sizeof command, format, args);
    va_end(args);
    // A cut command could still be a valid one with another meaning: send nothing instead.
    if (nLength < 0 || static_cast<std::size_t>(nLength) > kMaxCommandLength) {
        TraceComm("Command of %d characters not sent (at most %zu)", nLength, kMaxCommandLength);
        return kNoReply;
    }
    WriteComm(command);
    std::lock_guard lock(m_lock);
    return m_strResponse;
}

std::string CSerialLink::GetVersion() {
    WriteComm(InstrumentCommand::kReadVersion);
    std::lock_guard lock(m_lock);
    if (!m_lstResponses.empty()) {
        m_strResponse = std::move(m_lstResponses.front());
        m_lstResponses.pop_front();
    }
    return m_strResponse;
}

std::int16_t CSerialLink::OpenPort(std::uint16_t nPort, std::uint16_t nBaud) {
    if (m_hComm >= 0) {
        TraceComm("Port %d is already open", m_nPort);
        return kOpenNoDevice;
    }
    if (m_bCancelled) return kOpenNoAnswer;
    const std::int16_t nOpened = OpenDevice(nPort);
    if (nOpened != kOpenOk) return nOpened;
    m_dwTimeout = m_dwOpenTimeout;

    const std::uint32_t dwGiven = nBaud;
    const std::span<const std::uint32_t> rates =
        nBaud != 0 ? std::span(&dwGiven, 1) : std::span(kSearchRates);
    for (const std::uint32_t dwRate : rates) {
        m_dwBaudRate = dwRate;
        const std::int16_t nSettings = ApplyLineSettings();
        // The first command may meet an instrument still busy with earlier output: only the second counts.
        SendCommand("%s", InstrumentCommand::kStopUnpolled);
        if (SendCommand("%s", InstrumentCommand::kStopUnpolled) == kReplyOk) {
            TraceComm("Baud rate set at %u", static_cast<unsigned>(m_dwBaudRate));
            m_dwTimeout = m_dwReplyTimeout;
            TraceComm("COMM OPEN\n");
            m_nPort = nPort;
            return nSettings;
        }
    }
    ClosePort();
    return kOpenNoAnswer;
}
