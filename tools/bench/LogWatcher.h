// LogWatcher: stamps each line the program appends to a log file, from outside the program's
// code. The program opens, appends and closes the file once per line, so each close after writing
// (inotify IN_CLOSE_WRITE) is one line handed to the file system.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LogWatcher {
public:
    // Watches the file name in the folder (the file need not exist yet). Without stamps it only
    // counts, so that its own memory stays flat however many lines it sees.
    LogWatcher(const std::string& folder, const std::string& fileName, bool bKeepStamps = true);
    ~LogWatcher();
    LogWatcher(const LogWatcher&) = delete;
    LogWatcher& operator=(const LogWatcher&) = delete;

    std::size_t Count() const { return m_nCount; }
    // True when the kernel's event queue overflowed, so that lines went uncounted.
    bool Overflowed() const { return m_bOverflowed; }
    // Wall-clock seconds (as the simulator's transcript stamps them) of each close, in order.
    std::vector<double> Stamps() const;

private:
    void Run();

    std::string m_strFileName;
    bool m_bKeepStamps;
    int m_fd = -1;
    int m_wake = -1;
    std::atomic<std::size_t> m_nCount{0};
    std::atomic<bool> m_bOverflowed{false};
    mutable std::mutex m_lock;
    std::vector<double> m_stamps;
    std::thread m_thread;
};
