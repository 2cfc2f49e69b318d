// CDeadlineThread: runs a task when the time a deadline names has come, on a thread of its own, so
// that no other thread ever waits for it. With no deadline the thread sleeps until woken, so an idle
// program has no wake-ups. The log's syncs run on it.
#pragma once

#include <QObject>
#include <QThread>
#include <chrono>
#include <functional>
#include <optional>

class QTimer;

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

    // The deadline may have come or moved: the thread asks for it again. Any thread.
    void Wake();

private:
    void Schedule();

    Deadline m_deadline;
    Task m_task;
    QThread m_thread;
    QObject m_context;    // lives on m_thread
    QTimer* m_timer;      // a child of m_context
};
