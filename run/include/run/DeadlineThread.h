// CDeadlineThread: runs a task when the time a deadline names has come, on a thread of its own, so
// that the window's thread never waits for it. With no deadline the thread sleeps until woken, so an
// idle program has no wake-ups; the first Wake starts it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class CDeadlineThread {
public:
    using Clock = std::chrono::steady_clock;
    using Deadline = std::function<std::optional<Clock::time_point>()>;
    using Task = std::function<void(Clock::time_point now)>;

    // deadline() is asked after each Wake and after each run of task; task runs once the time it
    // names has come, and nothing names nothing to do until the next Wake. Both run on the thread.
    CDeadlineThread(Deadline deadline, Task task);
    // Ends the thread: a task under way is finished, a deadline still to come is dropped.
    ~CDeadlineThread();
    CDeadlineThread(const CDeadlineThread&) = delete;
    CDeadlineThread& operator=(const CDeadlineThread&) = delete;

    // The deadline may have come or moved: the thread asks for it again.
    void Wake();

private:
    void Run();

    Deadline m_deadline;
    Task m_task;
    std::mutex m_lock;
    std::condition_variable m_woken;
    bool m_bWoken = false;
    bool m_bEnding = false;
    std::thread m_thread;
};
