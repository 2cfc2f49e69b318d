// The simulated instrument's life: its port appearing late, the instrument vanishing and coming
// back on a new pseudo-terminal, and restarting on a line that stays up.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>

#include "sim/SimLoop.h"

namespace {

std::chrono::steady_clock::duration RealSeconds(double seconds) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
}

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

void Say(const std::string& text) {
    std::printf("corvane-sim: %s\n", text.c_str());
    std::fflush(stdout);
}

}  // namespace

void SimLoop::ScheduleLife(TimePoint start) {
    m_life.publishAt = start + RealSeconds(m_options.appearAfter.value_or(0));
    if (m_options.appearAfter) Say("Com port appears in " + SecondsText(*m_options.appearAfter));
    if (m_options.vanishAfter) m_life.vanishAt = start + RealSeconds(*m_options.vanishAfter);
    if (m_options.restartAfter) m_life.restartAt = start + RealSeconds(*m_options.restartAfter);
}

bool SimLoop::RunLife(TimePoint now) {
    if (m_life.publishAt && now >= *m_life.publishAt) {
        m_life.publishAt.reset();
        std::string error;
        if (!(m_device.IsOpen() ? m_device.Publish(error) : m_device.PlugIn(error))) {
            std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
            return false;
        }
        m_transcript.Event("published " + m_device.SlavePath());
        Say("Com port " + std::to_string(m_options.port) + " is " + m_device.LinkPath() + " (" +
            m_device.SlavePath() + "), " + std::to_string(m_options.baud) + " baud");
    }
    if (m_life.vanishAt && now >= *m_life.vanishAt) {
        m_life.vanishAt.reset();
        Vanish(now);
    }
    if (m_life.restartAt && now >= *m_life.restartAt) {
        m_life.restartAt.reset();
        Restart(now);
    }
    if (m_life.silentUntil && now >= *m_life.silentUntil) {
        m_life.silentUntil.reset();
        m_transcript.Event("answering");
        Say("answering again, in polled mode");
    }
    return true;
}

bool SimLoop::OnSignal(TimePoint now) {
    signalfd_siginfo info{};
    if (read(m_nSignalFd, &info, sizeof info) != sizeof info) return true;
    if (info.ssi_signo == SIGUSR1) {
        Vanish(now);
    } else if (info.ssi_signo == SIGUSR2) {
        Restart(now);
    } else {
        return false;
    }
    return true;
}

void SimLoop::Vanish(TimePoint now) {
    if (!m_device.IsPublished() || m_unplug.bPending) {
        Say("not published: nothing to vanish from");
        return;
    }
    // Nothing more goes out; the line closes once the program has read what it was sent.
    m_unplug = {true, false, false, now};
}

void SimLoop::OnUnplugged(TimePoint now) {
    m_unplug = {};
    ForgetOutput();
    m_output = OutputQueue();  // a line begun on the old terminal does not go on on the new one
    m_life.silentUntil.reset();
    m_life.publishAt = now + RealSeconds(m_options.vanishFor);
    m_transcript.Event("gone");
}

void SimLoop::Restart(TimePoint now) {
    if (!m_device.IsOpen() || m_unplug.bPending) {
        Say("no line: nothing to restart");
        return;
    }
    ForgetOutput();
    m_life.silentUntil = now + RealSeconds(m_options.restartSilent);
    m_transcript.Event("restarting");
    Say("restarting, silent for " + SecondsText(m_options.restartSilent));
}

void SimLoop::ForgetOutput() {
    m_model.SetUnpolled(false);
    StopBurst();
    for (const OutputQueue::Kind kind :
         {OutputQueue::Kind::Line, OutputQueue::Kind::Burst, OutputQueue::Kind::Noise})
        m_output.DropUnstarted(kind);
    m_delayedReplies.clear();
    m_reader = CommandReader();
}
