// corvane-sim's main loop: reads the program's commands from the pseudo-terminal, answers them,
// runs the instrument's clock and sends its unpolled records, plays the chosen faults (silence,
// reply delay, line noise, burst, hang-up) and the instrument's life (appearing late, vanishing and
// coming back, restarting), until a stop signal ends it or the line is hung up.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "sim/CommandInterpreter.h"
#include "sim/CommandReader.h"
#include "sim/InstrumentModel.h"
#include "sim/OutputQueue.h"
#include "sim/PtyDevice.h"
#include "sim/SimOptions.h"
#include "sim/Transcript.h"

class SimLoop {
public:
    // signalFd: a signalfd that becomes readable on SIGINT, SIGTERM or SIGHUP (stop), SIGUSR1
    // (vanish) and SIGUSR2 (restart). The device is open but not yet published.
    SimLoop(const SimOptions& options, PtyDevice& device, InstrumentModel& model, Transcript& transcript,
            int signalFd);
    // Returns the process exit code.
    int Run();

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    void RunInstrument(TimePoint now);
    void ReadCommands(TimePoint now);
    void OnCommand(std::string_view command, bool bOverLong, TimePoint now);
    void Send(std::string line);
    bool MaySendUnpolled() const;
    void StartBurst(TimePoint now);
    void StopBurst();
    void FillBurst();
    bool OnSent(const OutputQueue::Item& item);
    void ReportBurst();
    // Writes what the line takes; false when the line failed.
    bool Flush();
    // After the last line before a hang-up or vanishing: true once the line is closed.
    bool UnplugWhenRead(TimePoint now);
    TimePoint NextWake() const;

    // The instrument's life (SimLife.cpp).
    void ScheduleLife(TimePoint start);
    // Acts on what is due; false when the link cannot be published.
    bool RunLife(TimePoint now);
    // Reads one signal; false for a stop signal.
    bool OnSignal(TimePoint now);
    void Vanish(TimePoint now);
    void OnUnplugged(TimePoint now);
    void Restart(TimePoint now);
    // Forgets unpolled mode and everything not yet sent, as the instrument does when it restarts.
    void ForgetOutput();
    bool IsRestarting(TimePoint now) const { return m_life.silentUntil && now < *m_life.silentUntil; }

    const SimOptions& m_options;
    PtyDevice& m_device;
    InstrumentModel& m_model;
    Transcript& m_transcript;
    int m_nSignalFd;
    CommandInterpreter m_interpreter;
    CommandReader m_reader;
    OutputQueue m_output;

    struct DelayedReply {
        TimePoint due;
        std::string text;
    };
    std::deque<DelayedReply> m_delayedReplies;

    std::uint64_t m_nLinesSent = 0;
    std::size_t m_nNoiseKind = 0;  // which kind of line noise comes next
    int m_nExitCode = 0;
    bool m_bBlocked = false;  // the last write found the line full

    // The line is about to close: after the last line before a hang-up (the simulator then
    // ends), or when the instrument vanishes (it then comes back).
    struct Unplugging {
        bool bPending = false;
        bool bExit = false;
        bool bSawUnread = false;
        TimePoint since;
    } m_unplug;

    struct Life {
        std::optional<TimePoint> publishAt;    // the link is published (first, or on coming back)
        std::optional<TimePoint> vanishAt;     // --vanish-after
        std::optional<TimePoint> restartAt;    // --restart-after
        std::optional<TimePoint> silentUntil;  // restarting: commands are ignored until then
    } m_life;

    struct Burst {
        bool bGenerating = false;
        bool bReported = true;
        std::uint64_t nQueued = 0, nSent = 0;
        TimePoint start;
    } m_burst;
};
