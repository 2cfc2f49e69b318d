// SimProcess: runs the built corvane-sim for an end-to-end test or a benchmark. It starts the
// simulator in a device folder, waits until the simulator has published its Com port link there,
// and stops it (SIGTERM, then waits for it) when destroyed. Plain C++, no Qt, no GoogleTest.
//
//   SimProcess sim({"--speed", "60", "--records", "DT"});
//   setenv("CORVANE_DEVICE_DIR", sim.DeviceDir().c_str(), 1);  // the program lists "Com port 1"
//   ... drive the program ...
//   std::vector<std::string> sent = sim.SentLines();  // every line the simulator sent, in order
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class SimProcess {
public:
    // Starts corvane-sim with the given extra options, publishing Com port nPort in deviceDir
    // (created when missing). With an empty deviceDir a new folder under /tmp is made, and removed
    // again with everything in it when the SimProcess is destroyed. The simulator always writes its
    // transcript to TranscriptPath() and its standard output and error to OutputPath(), both in
    // the device folder. Throws std::runtime_error when the simulator exits or its link does not
    // appear within 5 seconds (the message holds the simulator's own output).
    explicit SimProcess(const std::vector<std::string>& options = {}, std::uint16_t nPort = 1,
                        const std::string& deviceDir = "");
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& DeviceDir() const { return m_strDeviceDir; }
    std::uint16_t Port() const { return m_nPort; }
    // DeviceDir()/COMn, the link to the simulator's pseudo-terminal.
    std::string DevicePath() const;
    const std::string& TranscriptPath() const { return m_strTranscriptPath; }
    const std::string& OutputPath() const { return m_strOutputPath; }
    pid_t Pid() const { return m_pid; }

    // The transcript's lines as written so far: "<seconds.micros> TX <line>", "... RX <command>",
    // "... NOISE <escaped bytes>", "... IGNORED <command> (line at <n> baud)".
    std::vector<std::string> TranscriptLines() const;
    // The text of every TX entry so far, in order: exactly the lines sent, without their CR.
    std::vector<std::string> SentLines() const;
    // The text of every RX entry so far, in order: the commands received, without CR LF.
    std::vector<std::string> ReceivedCommands() const;
    // Everything the simulator has printed so far (standard output and error).
    std::string Output() const;

    // Waits up to timeout for the simulator to exit on its own (after --hangup-after). Returns
    // true when it has exited; its wait status is then in ExitStatus().
    bool WaitForExit(std::chrono::milliseconds timeout);
    // Sends SIGTERM and waits for the exit. Returns the wait status (as from waitpid).
    int Stop();
    int ExitStatus() const { return m_nExitStatus; }

private:
    bool Reap(bool bBlock);

    std::string m_strDeviceDir;
    std::string m_strTranscriptPath;
    std::string m_strOutputPath;
    std::uint16_t m_nPort;
    bool m_bOwnsDeviceDir = false;
    pid_t m_pid = -1;
    int m_nPidFd = -1;  // becomes readable when the simulator exits
    bool m_bExited = false;
    int m_nExitStatus = 0;
};
