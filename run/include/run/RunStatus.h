// The data run's state as one named type, and a snapshot of the run for the window, the journal's
// readers and the station's health page. Plain C++.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

enum class RunState {
    Idle,                  // no run
    Starting,              // the instrument part of a start is under way
    Running,               // unpolled records are being received and logged
    WaitingForInstrument,  // the run goes on but its instrument is lost or silent: tries run
    Stopping,              // the run ends: "UE" sent, files synced, port closed
};
inline constexpr RunState kAllRunStates[] = {RunState::Idle, RunState::Starting, RunState::Running,
                                             RunState::WaitingForInstrument, RunState::Stopping};
// "idle", "starting", "running", "waiting_for_instrument", "stopping".
const char* RunStateName(RunState state);

struct RunStatus {
    using TimePoint = std::chrono::system_clock::time_point;

    RunState state = RunState::Idle;
    TimePoint since{};          // when the state began
    std::uint16_t port = 0;     // the run's Com port; 0 without a run
    std::string device;         // that port's device path
    bool connected = false;     // the port is open and the instrument answered its handshake
    bool logging = false;       // the run writes log files
    std::string logFile;        // the current log file's full path while logging
    std::optional<TimePoint> lastLine;  // when the run last received a line
    std::uint64_t losses = 0;           // the instrument went away during the run
    std::uint64_t reconnectTries = 0;   // failed tries to open the run's port again
    std::uint64_t silentRestarts = 0;   // a silent instrument's output was restarted
    std::uint64_t unreadableLines = 0;  // lines received during runs that are no record
    std::uint64_t logWriteErrors = 0;   // log writes or syncs that failed
    std::uint64_t logLinesKept = 0;     // lines waiting to be written again after a failed write
    std::uint64_t logLinesDropped = 0;  // lines lost because too many were waiting
    std::optional<TimePoint> lastLogSync;  // the last sync that put log lines on the disk
    std::optional<int> averagingSeconds;   // the instrument's averaging time, once it has answered
    // The instrument's clock against the PC's (median of the run's T records; ahead: positive), and
    // whether the PC's own clock is synchronised; each once known.
    std::optional<double> clockOffsetSeconds;
    std::optional<bool> pcClockSynchronized;
};
