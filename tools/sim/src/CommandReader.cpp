// Command line cutting for the simulated instrument.
#include "sim/CommandReader.h"

namespace {

constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;

}  // namespace

void CommandReader::Feed(std::string_view bytes, const CommandHandler& onCommand) {
    for (char c : bytes) {
        if (c == kXon || c == kXoff) {
            m_bMaySend = c == kXon;
        } else if (c == '\r' || c == '\n') {
            if (!m_strCommand.empty() || m_bOverLong) onCommand(m_strCommand, m_bOverLong);
            m_strCommand.clear();
            m_bOverLong = false;
        } else if (m_strCommand.size() < kMaxCommandLength) {
            m_strCommand += c;
        } else {
            m_bOverLong = true;
        }
    }
}
