// Cuts the bytes the program sends into command lines. A command ends with CR LF, CR alone or LF
// alone; empty lines are dropped. XON and XOFF are flow control, not command text.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class CommandReader {
public:
    // Longer commands are cut off and reported as over-long; the longest real one is 255 characters.
    static constexpr std::size_t kMaxCommandLength = 1024;
    using CommandHandler = std::function<void(std::string_view command, bool bOverLong)>;

    void Feed(std::string_view bytes, const CommandHandler& onCommand);
    // False after an XOFF until the next XON: the program asks the instrument to stop sending.
    bool MaySend() const { return m_bMaySend; }

private:
    std::string m_strCommand;
    bool m_bOverLong = false;
    bool m_bMaySend = true;
};
