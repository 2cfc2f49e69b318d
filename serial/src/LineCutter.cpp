// LineCutter: byte-at-a-time state machine, so the lines never depend on how reads were split.
#include "serial/LineCutter.h"

namespace {
constexpr char kCr = '\r';
constexpr char kLf = '\n';
}  // namespace

void LineCutter::Feed(std::string_view chunk, const LineHandler& onLine) {
    for (const char c : chunk) {
        if (c == '\0') continue;
        if (m_bAfterCut && (c == kCr || c == kLf)) continue;
        m_bAfterCut = false;
        if (c == kCr) {
            // The CR ends either a line or the over-long line being skipped; both count as a cut.
            m_bAfterCut = true;
            if (m_bDiscarding) {
                m_bDiscarding = false;
            } else {
                onLine(m_strAccumulator);
            }
            m_strAccumulator.clear();
            continue;
        }
        if (m_bDiscarding) continue;
        if (m_strAccumulator.size() == kMaxLineLength) {
            m_bDiscarding = true;
            ++m_nDiscarded;
            m_strAccumulator.clear();
            continue;
        }
        m_strAccumulator.push_back(c);
    }
}
