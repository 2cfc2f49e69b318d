// The instrument's clock during a run: the watch, the PC's state and the keeping, behind one lock.
#include "station/ClockKeeper.h"

#include "records/Records.h"
#include "serial/InstrumentCommands.h"

namespace {
// The most of an instrument's reply quoted in the journal.
constexpr std::size_t kQuotedReply = 80;
}  // namespace

CClockKeeper::CClockKeeper(unsigned keepThresholdSeconds, PcClockSource pcClock, JournalSink journal)
    : m_journal(std::move(journal)),
      m_pcClock(std::move(pcClock), m_journal),
      m_watch(m_journal),
      m_keeping(keepThresholdSeconds) {}

void CClockKeeper::SetKeepThreshold(unsigned seconds) {
    const std::lock_guard guard(m_lock);
    m_keeping.SetThreshold(seconds);
}

bool CClockKeeper::Keeping() const {
    const std::lock_guard guard(m_lock);
    return m_keeping.IsOn();
}

void CClockKeeper::OnRunStarted() {
    const std::lock_guard guard(m_lock);
    m_watch = CClockOffsetWatch(m_journal);
    m_keeping.OnRunStarted();
    m_chMode = '\0';
}

bool CClockKeeper::OnRecord(std::string_view line, std::chrono::system_clock::time_point arrival,
                            bool canCorrect) {
    const std::lock_guard guard(m_lock);
    if (line.starts_with('T')) {
        const std::optional<ClockSample> sample = ReadClockSample(line, arrival);
        return sample && EvaluateDuringRun(m_watch.Add(*sample), canCorrect);
    }
    if (line.starts_with('D')) {
        // The mode letter opens the D record's first field (none when that field is empty).
        const std::string_view body = RecordBody(line);
        const char mode = body.empty() || body.front() == ',' ? '\0' : body.front();
        if (mode == m_chMode) return false;
        m_chMode = mode;
        return EvaluateDuringRun(false, canCorrect);
    }
    return false;
}

bool CClockKeeper::EvaluateDuringRun(bool timeZoneChanged, bool canCorrect) {
    if (!m_keeping.IsOn()) return false;
    const PcClockReading pc = m_pcClock.Check();
    const CClockKeeping::Decision decision =
        m_keeping.DuringRun({m_watch.Settled() ? m_watch.Median() : std::nullopt, pc.synchronized, m_chMode,
                             timeZoneChanged, canCorrect},
                            pc.monotonic);
    if (decision.heldBack) m_journal(ClockWord::kNotSet, *decision.heldBack);
    return decision.setClock;
}

std::optional<std::string> CClockKeeper::ClockCommandAtStart(std::string_view rtAnswer) {
    const std::lock_guard guard(m_lock);
    if (!m_keeping.IsOn()) return std::nullopt;
    const PcClockReading pc = m_pcClock.Check();
    const std::optional<ClockSample> sample = ReadClockSample(rtAnswer, pc.now);
    const std::optional<double> offset = sample ? std::optional(sample->offset) : std::nullopt;
    const CClockKeeping::Decision decision = m_keeping.AtStart(offset, pc.synchronized, pc.monotonic);
    if (decision.heldBack) m_journal(ClockWord::kNotSet, *decision.heldBack);
    if (!decision.setClock) return std::nullopt;
    m_dOffsetBeforeSet = *offset;
    m_strSetCommand = ClockSetCommand(pc.now);
    return m_strSetCommand;
}

void CClockKeeper::OnClockCommandAnswered(std::string_view reply, std::string_view rtAnswerAfter) {
    const std::lock_guard guard(m_lock);
    const std::optional<ClockSample> after = ReadClockSample(rtAnswerAfter, m_pcClock.Check().now);
    const std::string before = ClockDifferenceText(m_dOffsetBeforeSet);
    const bool refused = reply != kReplyOk && reply != kNoReply;
    // The time read right after the command tells whether the clock moved, whatever the answer: an
    // "OK" from a clock that stayed where it was is no setting, and a lost "OK" no failure.
    const bool set = !refused && (after ? !m_keeping.Beyond(after->offset) : reply == kReplyOk);
    if (set) {
        // The offsets seen so far are those of the clock before it was set.
        m_watch.Restart();
        m_journal(ClockWord::kSet,
                  m_strSetCommand + ": the instrument's clock was " + before + "; now " +
                      (after ? ClockDifferenceText(after->offset) : "its time could not be read"));
        return;
    }
    std::string what;
    if (refused)
        what = "the instrument answered \"" + std::string(reply.substr(0, kQuotedReply)) + "\" to " +
               m_strSetCommand + ": its clock stays " + before;
    else if (!after)
        what = "no answer came to " + m_strSetCommand +
               ", and the instrument's time could not be read after it: its clock was " + before;
    else
        what = (reply == kReplyOk ? "the instrument answered \"OK\" to " : "no answer came to ") +
               m_strSetCommand + ", but its clock is still " + ClockDifferenceText(after->offset);
    m_journal(ClockWord::kNotSet,
              what + " (tried again at the next start or reconnect, or in an hour during a run)");
}

std::optional<double> CClockKeeper::OffsetSeconds() const {
    const std::lock_guard guard(m_lock);
    return m_watch.Median();
}

std::optional<bool> CClockKeeper::PcSynchronized() const {
    const std::lock_guard guard(m_lock);
    return m_pcClock.Synchronized();
}

void CClockKeeper::CheckPcClock() {
    const std::lock_guard guard(m_lock);
    m_pcClock.Check();
}
