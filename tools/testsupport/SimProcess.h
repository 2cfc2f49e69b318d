// SimProcess: runs the built corvane-sim for an end-to-end test or a benchmark, publishing its Com
// port link in a device folder (point CORVANE_DEVICE_DIR at DeviceDir()), and stops it (SIGTERM,
// then waits for it) when destroyed. Plain C++, no Qt, no GoogleTest.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class SimProcess {
public:
    // Starts corvane-sim with the given extra options, publishing Com port nPort in a new folder under
    // /tmp, removed afterwards. Throws std::runtime_error, with the simulator's output, when its link
    // does not appear within 5 seconds (unless "--appear-after").
    explicit SimProcess(const std::vector<std::string>& options = {}, std::uint16_t nPort = 1);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& DeviceDir() const { return m_strDeviceDir; }
    std::uint16_t Port() const { return m_nPort; }
    // DeviceDir()/COMn, the link to the simulator's pseudo-terminal.
    std::string DevicePath() const;
    pid_t Pid() const { return m_pid; }

    // The transcript's lines as written so far: "<seconds.micros> TX <line>", "... RX <command>",
    // "... NOISE <escaped bytes>", "... IGNORED <command> (line at <n> baud)".
    std::vector<std::string> TranscriptLines() const;
    // The text of every TX entry so far, in order: exactly the lines sent, without their CR.
    std::vector<std::string> SentLines() const;
    // The record lines sent unasked while unpolled: after each "UB", until "UE" or until it went
    // away or restarted. Every one of them belongs in a run's log, once and in this order.
    std::vector<std::string> UnpolledRecordLines() const;
    // The text of every RX entry so far, in order: the commands received, without CR LF.
    std::vector<std::string> ReceivedCommands() const;
    // The text of every EVENT entry so far, in order: "published /dev/pts/<n>" (the link made, at
    // the start or on coming back), "gone" (vanished: line hung up, link removed), "restarting"
    // (commands ignored from now on), "answering" (the restart is over).
    std::vector<std::string> Events() const;

    // Waits up to timeout until DevicePath() exists; false at the time-out or when the simulator
    // has exited.
    bool WaitForLink(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Waits up to timeout until at least nCount events begin with word; false at the time-out or
    // when the simulator has exited.
    bool WaitForEvent(std::string_view word, std::size_t nCount = 1,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // SIGUSR1: the instrument vanishes now (once the program has read what it was sent) and comes
    // back after --vanish-for seconds (default 3).
    void Vanish() const;
    // SIGUSR2: the instrument restarts now, silent for --restart-silent seconds (default 3).
    void Restart() const;

    // Sends SIGTERM and waits for the exit. Returns the wait status (as from waitpid).
    int Stop();

private:
    // Everything the simulator has printed so far (standard output and error).
    std::string Output() const;
    // Waits until condition holds, looking again whenever inotify reports mask on path; false at the
    // time-out or when the simulator has exited without it holding.
    bool WaitUntil(const std::function<bool()>& condition, const std::string& path, std::uint32_t mask,
                   std::chrono::milliseconds timeout) const;

    std::string m_strDeviceDir;
    std::string m_strTranscriptPath;
    std::string m_strOutputPath;
    std::uint16_t m_nPort;
    pid_t m_pid = -1;
    int m_nPidFd = -1;  // becomes readable when the simulator exits
    bool m_bExited = false;
    int m_nExitStatus = 0;
};
