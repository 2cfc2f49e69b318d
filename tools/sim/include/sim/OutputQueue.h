// Lines waiting to go out on the line, written to the non-blocking pseudo-terminal as far as it
// takes them, with several lines gathered into one write when they are queued.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

class OutputQueue {
public:
    enum class Kind {
        Line,   // a reply or record: its text and a CR
        Burst,  // a numbered burst record: its text and a CR
        Noise,  // raw bytes, sent as they are
    };
    struct Item {
        Kind kind;
        std::string text;  // without the CR that lines get on the wire
    };

    void Push(Kind kind, std::string text);
    bool Empty() const { return m_items.empty(); }
    std::size_t Size() const { return m_items.size(); }
    // Drops the items of the given kind not yet begun (a burst stopped by "UE"); returns how many.
    std::size_t DropUnstarted(Kind kind);

    enum class WriteResult { Done, Blocked, Failed };
    // Writes until the queue is empty (Done), the descriptor takes no more (Blocked) or a write
    // fails (Failed, errno set). onSent is called for each item once its last byte is written,
    // and may stop the writing by returning false (the line was hung up).
    WriteResult WriteTo(int fd, const std::function<bool(const Item&)>& onSent);

private:
    std::deque<Item> m_items;
    std::size_t m_nFrontWritten = 0;  // bytes of the front item already written
};
