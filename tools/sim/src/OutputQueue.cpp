// The simulator's output queue.
#include "sim/OutputQueue.h"

#include <sys/uio.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::size_t kMaxWriteItems = 512;  // 1024 vectors, the usual IOV_MAX
const char kCarriageReturn = '\r';

}  // namespace

void OutputQueue::Push(Kind kind, std::string text) {
    m_items.push_back({kind, std::move(text)});
}

std::size_t OutputQueue::DropUnstarted(Kind kind) {
    const auto firstUnstarted = m_items.begin() + (m_nFrontWritten > 0 ? 1 : 0);
    const auto kept =
        std::remove_if(firstUnstarted, m_items.end(), [kind](const Item& item) { return item.kind == kind; });
    const auto dropped = static_cast<std::size_t>(m_items.end() - kept);
    m_items.erase(kept, m_items.end());
    return dropped;
}

OutputQueue::WriteResult OutputQueue::WriteTo(int fd, const std::function<bool(const Item&)>& onSent) {
    while (!m_items.empty()) {
        // Gather the queued items, each line followed by its CR, skipping what is already written.
        iovec vectors[2 * kMaxWriteItems];
        int count = 0;
        std::size_t skip = m_nFrontWritten;
        for (std::size_t i = 0; i < m_items.size() && i < kMaxWriteItems; ++i) {
            const Item& item = m_items[i];
            const std::size_t textSkip = std::min(skip, item.text.size());
            if (textSkip < item.text.size())
                vectors[count++] = {const_cast<char*>(item.text.data() + textSkip),
                                    item.text.size() - textSkip};
            if (item.kind != Kind::Noise && skip <= item.text.size())
                vectors[count++] = {const_cast<char*>(&kCarriageReturn), 1};
            skip = 0;
        }
        const ssize_t written = count > 0 ? writev(fd, vectors, count) : 0;
        if (written < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK ? WriteResult::Blocked : WriteResult::Failed;
        if (written == 0 && count > 0) return WriteResult::Blocked;

        // Retire the items whose last byte went out. Each one is reported, also after onSent has
        // asked to stop: a line that went out must reach the transcript.
        std::size_t left = static_cast<std::size_t>(written);
        bool goOn = true;
        while (!m_items.empty()) {
            const std::size_t size =
                m_items.front().text.size() + (m_items.front().kind == Kind::Noise ? 0 : 1);
            const std::size_t remaining = size - m_nFrontWritten;
            if (left < remaining) {
                m_nFrontWritten += left;
                break;
            }
            left -= remaining;
            m_nFrontWritten = 0;
            const Item sent = std::move(m_items.front());
            m_items.pop_front();
            goOn = onSent(sent) && goOn;
        }
        if (!goOn) return WriteResult::Done;
    }
    return WriteResult::Done;
}
