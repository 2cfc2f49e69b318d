// CSerialLink, reader side: the reader thread, line dispatch, the queue of unpolled lines and the
// notifications.
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "Trace.h"
#include "serial/LineCutter.h"
#include "serial/SerialLink.h"

namespace {
constexpr std::size_t kReadSize = 4096;
// Unpolled lines kept for the owner; a full queue pauses the reader, so memory stays bounded and
// nothing received is lost.
constexpr std::size_t kMaxQueuedLines = 8192;
}  // namespace

void CSerialLink::ReaderLoop() {
    LineCutter cutter;  // a partial line left at the end is discarded with it
    std::size_t nDiscardedReported = 0;
    char buffer[kReadSize];
    pollfd fds[2] = {{m_hComm, POLLIN, 0}, {m_hWake, POLLIN, 0}};
    bool bHungUp = false;
    while (m_bConnected && !bHungUp) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            TraceComm("Cannot wait for the port (%s)", std::strerror(errno));
            bHungUp = true;
            break;
        }
        if (fds[1].revents != 0) break;
        // Whatever is still queued is read before a hang-up is acted on; a close ends the reading at once.
        std::size_t n;
        while (m_bConnected && !bHungUp && (n = ReadPending(buffer, sizeof buffer, bHungUp)) > 0) {
            // The lines a read completes arrived with its bytes.
            const auto arrival = std::chrono::system_clock::now();
            cutter.Feed({buffer, n}, [this, arrival](const std::string& line) { DispatchLine(line, arrival); });
        }
        if (cutter.DiscardedLines() != nDiscardedReported) {
            nDiscardedReported = cutter.DiscardedLines();
            TraceComm("Line over %zu characters discarded (%zu so far)", LineCutter::kMaxLineLength,
                      nDiscardedReported);
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) bHungUp = true;
    }
    if (bHungUp) {
        // The device is gone (adapter unplugged): stop instead of spinning on a dead descriptor, wake a
        // waiting exchange and tell the owner once. ClosePort still has to be called.
        TraceComm("The device has gone");
        std::lock_guard lock(m_lock);
        m_bLinkLost = true;
        m_cvResponse.notify_all();
        Notify(kCommEventLinkLost);
    }
    TraceComm("Closing thread\n");
    TraceComm("LAST THREAD MESSAGE - BYE\n");
}

void CSerialLink::DispatchLine(const std::string& line, std::chrono::system_clock::time_point arrival) {
    std::unique_lock lock(m_lock);
    if (!m_bUnpolled) {
        SetBuffer(line);
        return;
    }
    // A full queue holds the reader back instead of losing a line: the port's input buffer fills
    // and XON/XOFF flow control pauses the instrument until the owner has caught up.
    if (m_lstLines.size() >= kMaxQueuedLines) TraceComm("Line queue full: reading paused");
    m_cvQueueSpace.wait(lock,
                        [&] { return m_lstLines.size() < kMaxQueuedLines || !m_bConnected || !m_bUnpolled; });
    if (!m_bConnected) return;  // the port is closing
    m_lstLines.push_back({line, arrival});
    // Only the first waiting line is notified: the owner takes the ones after it with it.
    if (m_lstLines.size() == 1) Notify(kCommEventLines);
}

// Called with m_lock held. Without an owner the notification is lost.
void CSerialLink::Notify(std::uint16_t wParam) {
    if (m_pOwner != nullptr) m_pOwner->OnLinkEvent(wParam);
}

std::vector<ReceivedLine> CSerialLink::TakeRecordLines() {
    std::vector<ReceivedLine> lines;
    std::lock_guard lock(m_lock);
    lines.swap(m_lstLines);
    m_cvQueueSpace.notify_one();
    return lines;
}
