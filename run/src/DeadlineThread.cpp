// A thread that sleeps until a deadline, runs a task and asks for the next deadline.
#include "run/DeadlineThread.h"

#include <utility>

CDeadlineThread::CDeadlineThread(Deadline deadline, Task task)
    : m_deadline(std::move(deadline)), m_task(std::move(task)) {}

CDeadlineThread::~CDeadlineThread() {
    {
        const std::lock_guard lock(m_lock);
        m_bEnding = true;
    }
    m_woken.notify_one();
    if (m_thread.joinable()) m_thread.join();
}

void CDeadlineThread::Wake() {
    {
        const std::lock_guard lock(m_lock);
        m_bWoken = true;
        if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
    }
    m_woken.notify_one();
}

void CDeadlineThread::Run() {
    const auto wokenOrEnding = [this] { return m_bWoken || m_bEnding; };
    std::unique_lock lock(m_lock);
    while (!m_bEnding) {
        // A Wake from here on is seen by the wait below, so none is lost.
        m_bWoken = false;
        lock.unlock();
        const std::optional<Clock::time_point> deadline = m_deadline();
        lock.lock();
        if (!deadline) {
            m_woken.wait(lock, wokenOrEnding);
        } else if (!m_woken.wait_until(lock, *deadline, wokenOrEnding)) {
            lock.unlock();
            m_task(Clock::now());
            lock.lock();
        }
    }
}
