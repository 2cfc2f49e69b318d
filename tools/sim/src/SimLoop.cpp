// The simulator's event loop.
#include "sim/SimLoop.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Unpolled records wait at most this many lines deep; when the program does not read the line,
// further records are lost, as on a real serial line.
constexpr std::size_t kMaxQueuedLines = 256;
// A burst is kept this many lines ahead of the line, enough for a few of the queue's largest writes.
constexpr std::size_t kBurstAhead = 2048;
// A full pseudo-terminal does not always wake a writer when the program reads it: retry this soon
// (sooner during a burst, which must go as fast as the line takes it).
constexpr auto kBlockedRetry = std::chrono::milliseconds(20);
constexpr auto kBurstBlockedRetry = std::chrono::milliseconds(1);
// Before hanging up, the program gets this long to read the last lines; when it reads nothing
// the line goes dead after kHangupMaxWait all the same.
constexpr auto kHangupSettle = std::chrono::milliseconds(50);
constexpr auto kHangupMaxWait = std::chrono::seconds(1);
constexpr auto kHangupPoll = std::chrono::milliseconds(5);
// When whether the program has read the last lines cannot be asked, it gets this long.
constexpr auto kHangupUnknownSettle = std::chrono::milliseconds(300);
// While nobody has the line open, it is looked at this often for a program that opens it.
constexpr auto kNoReaderRetry = std::chrono::milliseconds(20);
// Garbage bytes of line noise: printable, control and high bytes, but no line end, NUL or flow
// control, even with the top bit stripped.
constexpr std::string_view kGarbage = "#~%&@!?*^|}{\x7F\x80\x9B\xC3\xE9\xFE\xFF\x01\x02\x07\x1B";

}  // namespace

SimLoop::SimLoop(const SimOptions& options, PtyDevice& device, InstrumentModel& model, Transcript& transcript,
                 int signalFd)
    : m_options(options),
      m_device(device),
      m_model(model),
      m_transcript(transcript),
      m_nSignalFd(signalFd),
      m_interpreter(model, options.refused) {}

int SimLoop::Run() {
    ScheduleLife(std::chrono::steady_clock::now());
    while (true) {
        const TimePoint now = std::chrono::steady_clock::now();
        if (!RunLife(now)) return 1;
        if (m_unplug.bPending) {
            if (UnplugWhenRead(now)) {
                if (m_unplug.bExit) return 0;
                OnUnplugged(now);
            }
        } else {
            RunInstrument(now);
            if (!Flush()) return m_nExitCode;
        }

        // While nobody has the line open the master reports a hang-up at every poll: it is left out
        // and looked at again shortly, so that the loop does not spin.
        const bool bReader = m_device.IsOpen() && m_device.HasReader();
        pollfd fds[2] = {{m_nSignalFd, POLLIN, 0}, {bReader ? m_device.MasterFd() : -1, POLLIN, 0}};
        const bool bWaitingToWrite = !m_unplug.bPending && !m_output.Empty() && m_reader.MaySend();
        if (bWaitingToWrite && bReader) fds[1].events |= POLLOUT;
        TimePoint wake = NextWake();
        if (bWaitingToWrite && m_bBlocked)
            wake = std::min(wake, now + (m_burst.bGenerating ? kBurstBlockedRetry : kBlockedRetry));
        if (m_unplug.bPending) wake = std::min(wake, now + kHangupPoll);
        if (m_device.IsOpen() && !bReader) wake = std::min(wake, now + kNoReaderRetry);
        const auto wait = std::max(wake - std::chrono::steady_clock::now(), TimePoint::duration::zero());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
        const timespec timeout{static_cast<time_t>(seconds.count()),
                               static_cast<long>(std::chrono::nanoseconds(wait - seconds).count())};
        if (ppoll(fds, 2, &timeout, nullptr) < 0 && errno != EINTR) {
            std::perror("corvane-sim: poll");
            return 1;
        }
        if ((fds[0].revents & POLLIN) && !OnSignal(std::chrono::steady_clock::now())) return 0;
        if (fds[1].revents & POLLIN) ReadCommands(std::chrono::steady_clock::now());
    }
}

SimLoop::TimePoint SimLoop::NextWake() const {
    TimePoint wake = m_model.NextSecondStart();
    if (!m_delayedReplies.empty()) wake = std::min(wake, m_delayedReplies.front().due);
    for (const std::optional<TimePoint>& due :
         {m_life.publishAt, m_life.vanishAt, m_life.restartAt, m_life.silentUntil})
        if (due) wake = std::min(wake, *due);
    return wake;
}

void SimLoop::RunInstrument(TimePoint now) {
    for (const InstrumentModel::RecordSet& set : m_model.Advance(now)) {
        if (!MaySendUnpolled()) continue;
        for (const std::string& line : set) Send(line);
        if (m_options.noise && !m_options.silent) {
            // One piece of line noise after each set, the three kinds in turn.
            std::string noise;
            switch (m_nNoiseKind++ % 3) {
                case 0:
                    for (std::size_t i = 0; i < 8; ++i)
                        noise += kGarbage[(m_nNoiseKind * 7 + i * 5) % kGarbage.size()];
                    noise += '\r';
                    break;
                case 1:
                    noise = std::string(1, '\0');
                    break;
                default:
                    noise = m_model.DataRecord().substr(1) + '\r';  // a D record that lost its letter
                    break;
            }
            m_output.Push(OutputQueue::Kind::Noise, std::move(noise));
        }
    }
    while (!m_delayedReplies.empty() && m_delayedReplies.front().due <= now) {
        Send(std::move(m_delayedReplies.front().text));
        m_delayedReplies.pop_front();
    }
    FillBurst();
}

bool SimLoop::MaySendUnpolled() const {
    return !m_burst.bGenerating && m_output.Size() < kMaxQueuedLines &&
           m_device.LineSpeed() == m_options.baud;
}

void SimLoop::ReadCommands(TimePoint now) {
    char buffer[4096];
    ssize_t count;
    while ((count = read(m_device.MasterFd(), buffer, sizeof buffer)) > 0) {
        m_reader.Feed(std::string_view(buffer, static_cast<std::size_t>(count)),
                      [&](std::string_view command, bool bOverLong) { OnCommand(command, bOverLong, now); });
    }
}

void SimLoop::OnCommand(std::string_view command, bool bOverLong, TimePoint now) {
    // At any other speed the instrument would receive garbage: it answers nothing.
    const std::uint32_t lineSpeed = m_device.LineSpeed();
    if (lineSpeed != m_options.baud) {
        m_transcript.Ignored(command, "line at " + std::to_string(lineSpeed) + " baud");
        return;
    }
    if (IsRestarting(now)) {
        m_transcript.Ignored(command, "restarting");
        return;
    }
    m_transcript.Received(command);
    RunInstrument(now);  // polled records and the clock as of this moment
    const bool bWasUnpolled = m_model.IsUnpolled();
    std::string reply = bOverLong ? "ERROR" : m_interpreter.Execute(command, now);
    if (!bWasUnpolled && m_model.IsUnpolled()) StartBurst(now);
    if (bWasUnpolled && !m_model.IsUnpolled()) StopBurst();
    if (reply.empty()) return;
    if (m_options.replyDelayMs > 0)
        m_delayedReplies.push_back(
            {now + std::chrono::milliseconds(m_options.replyDelayMs), std::move(reply)});
    else
        Send(std::move(reply));
}

void SimLoop::Send(std::string line) {
    if (!m_options.silent) m_output.Push(OutputQueue::Kind::Line, std::move(line));
}

void SimLoop::StartBurst(TimePoint now) {
    if (m_options.burst == 0 || m_options.silent) return;
    m_burst = {true, false, 0, 0, now};
}

void SimLoop::StopBurst() {
    if (!m_burst.bGenerating) return;
    m_burst.bGenerating = false;
    m_burst.nQueued -= m_output.DropUnstarted(OutputQueue::Kind::Burst);
    if (m_burst.nSent == m_burst.nQueued) ReportBurst();
}

void SimLoop::FillBurst() {
    // Kept a few thousand lines ahead of the line, so the pseudo-terminal never waits for the
    // simulator and memory stays small whatever the burst's length.
    while (m_burst.bGenerating && m_output.Size() < kBurstAhead) {
        const ModeCycle& cycle = m_model.Cycle();
        m_output.Push(OutputQueue::Kind::Burst,
                      FormatNumberedDataRecord(cycle.Mode(), cycle.SecondsLeft(), ++m_burst.nQueued));
        if (m_burst.nQueued == m_options.burst) m_burst.bGenerating = false;
    }
}

void SimLoop::ReportBurst() {
    if (m_burst.bReported) return;
    m_burst.bReported = true;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_burst.start).count();
    std::fprintf(stderr, "corvane-sim: burst sent %llu of %llu lines in %.3f s (%.0f lines/s)\n",
                 static_cast<unsigned long long>(m_burst.nSent),
                 static_cast<unsigned long long>(m_options.burst), seconds,
                 seconds > 0 ? static_cast<double>(m_burst.nSent) / seconds : 0.0);
}

bool SimLoop::OnSent(const OutputQueue::Item& item) {
    if (item.kind == OutputQueue::Kind::Noise) {
        m_transcript.Noise(item.text);
        return true;
    }
    m_transcript.Sent(item.text);
    ++m_nLinesSent;
    if (item.kind == OutputQueue::Kind::Burst && ++m_burst.nSent == m_burst.nQueued && !m_burst.bGenerating)
        ReportBurst();
    if (m_options.hangupAfter && m_nLinesSent >= *m_options.hangupAfter) {
        if (!m_unplug.bPending) m_unplug = {true, true, false, std::chrono::steady_clock::now()};
        return false;  // nothing more goes out
    }
    return true;
}

bool SimLoop::UnplugWhenRead(TimePoint now) {
    // Closing the line discards what the program has not read yet; give it the chance to read the
    // last lines, which may take a moment to reach its end of the line.
    // Nothing to wait for when nobody has the line open (asked before our own look at the queue).
    const bool bReader = m_device.HasReader();
    const std::optional<int> unread = m_device.UnreadBytes();
    m_unplug.bSawUnread = m_unplug.bSawUnread || unread.value_or(0) > 0;
    const auto waited = now - m_unplug.since;
    const bool bMayBeUnread = unread ? *unread > 0 || (!m_unplug.bSawUnread && waited < kHangupSettle)
                                     : waited < kHangupUnknownSettle;
    if (bReader && waited < kHangupMaxWait && bMayBeUnread) return false;
    // Both ends closed and the link gone, as when the adapter is pulled out.
    m_device.Unplug();
    std::printf("corvane-sim: %s after %llu lines\n", m_unplug.bExit ? "hung up" : "gone",
                static_cast<unsigned long long>(m_nLinesSent));
    std::fflush(stdout);
    return true;
}

bool SimLoop::Flush() {
    m_bBlocked = false;
    while (m_device.IsOpen() && !m_output.Empty() && m_reader.MaySend() && !m_unplug.bPending) {
        const OutputQueue::WriteResult result = m_output.WriteTo(
            m_device.MasterFd(), [this](const OutputQueue::Item& item) { return OnSent(item); });
        if (result == OutputQueue::WriteResult::Failed) {
            std::perror("corvane-sim: writing to the line");
            m_nExitCode = 1;
            return false;
        }
        m_bBlocked = result == OutputQueue::WriteResult::Blocked;
        if (m_bBlocked) break;
        FillBurst();  // the line took everything: the burst goes on at once
    }
    return true;
}
