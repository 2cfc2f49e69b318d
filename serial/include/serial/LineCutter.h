// LineCutter: turns the serial byte stream into CR-terminated lines. Pure and chunk-independent:
// the lines never depend on how the stream was split into reads.
//  - CR ends a line; CR and LF right after a cut are skipped, also when they come in a later read.
//  - NUL bytes are dropped; nothing else of the read is lost.
//  - A line longer than kMaxLineLength is discarded up to its CR and counted.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class LineCutter {
public:
    static constexpr std::size_t kMaxLineLength = 4095;
    using LineHandler = std::function<void(const std::string& line)>;

    // Feeds one chunk; calls onLine for each line completed by it, in order.
    void Feed(std::string_view chunk, const LineHandler& onLine);
    // Lines discarded for being too long since construction.
    std::size_t DiscardedLines() const { return m_nDiscarded; }

    // The private part belongs to the implementation.
private:
    std::string m_strAccumulator;
    bool m_bAfterCut = false;    // the last byte handled ended a line
    bool m_bDiscarding = false;  // inside an over-long line, skipping to its CR
    std::size_t m_nDiscarded = 0;
};
