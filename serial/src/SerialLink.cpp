// CSerialLink: construction, destruction and the small accessors shared by both threads.
#include "serial/SerialLink.h"

#include "Trace.h"

std::string ComPortName(std::uint16_t nPort) {
    return "Com" + std::to_string(nPort);
}

std::vector<std::uint16_t> CSerialLink::OpenablePorts() {
    std::vector<std::uint16_t> ports;
    for (std::uint16_t port = 1; port <= kLastComPort; ++port)
        if (CanOpenPort(port)) ports.push_back(port);
    return ports;
}

CSerialLink::CSerialLink() {
    TraceComm("Start comm debugging");
}

CSerialLink::~CSerialLink() {
    ClosePort();
}

bool CSerialLink::IsConnected() const {
    return m_bConnected;
}

bool CSerialLink::IsLinkLost() const {
    return m_bLinkLost;
}

std::uint16_t CSerialLink::GetBaudRate() const {
    return static_cast<std::uint16_t>(m_dwBaudRate);
}

std::uint16_t CSerialLink::GetPortNumber() const {
    return m_nPort;
}

void CSerialLink::SetOwnerWindow(ISerialLinkOwner* pOwner) {
    std::lock_guard lock(m_lock);
    m_pOwner = pOwner;
    // Lines already waiting were notified to the old receiver, if any: the new one hears of them.
    if (!m_lstLines.empty()) Notify(kCommEventLines);
}

void CSerialLink::SetUnpolled(bool bUnpolled) {
    std::lock_guard lock(m_lock);
    m_bUnpolled = bUnpolled;
    m_cvQueueSpace.notify_all();  // a reader held back by a full queue goes on in polled mode
}

void CSerialLink::CancelExchanges() {
    std::lock_guard lock(m_lock);
    m_bCancelled = true;
    m_cvResponse.notify_all();
}

void CSerialLink::AllowExchanges() {
    m_bCancelled = false;
}

void CSerialLink::SetTimeouts(std::uint32_t replyMs, std::uint32_t openMs) {
    m_dwReplyTimeout = replyMs;
    m_dwOpenTimeout = openMs;
    m_dwTimeout = replyMs;
}
