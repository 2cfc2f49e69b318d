// LogWatcher: stamps each line appended to a log file, from outside the writer's code. It watches
// the folder for writes to the file (inotify IN_MODIFY) and reads what was appended, so a write of
// many lines gives each of them the same stamp and merged events lose nothing.
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

    // Complete lines (ended by CR LF) seen so far.
    std::size_t Count() const { return m_nCount; }
    // Wall-clock seconds (as the simulator's transcript stamps them) at which each line was seen.
    std::vector<double> Stamps() const;

private:
    void Run();
    void ReadAppended(double stamp);

    std::string m_strPath;
    std::string m_strFileName;
    bool m_bKeepStamps;
    int m_fd = -1;
    int m_wake = -1;
    int m_file = -1;  // the watched file, opened once it exists
    bool m_bAfterCr = false;
    std::atomic<std::size_t> m_nCount{0};
    mutable std::mutex m_lock;
    std::vector<double> m_stamps;
    std::thread m_thread;
};
