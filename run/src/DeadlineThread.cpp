// A thread that sleeps until a deadline, runs a task and asks for the next deadline.
#include "run/DeadlineThread.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>

CDeadlineThread::CDeadlineThread(Deadline deadline, Task task)
    : m_deadline(std::move(deadline)), m_task(std::move(task)), m_timer(new QTimer(&m_context)) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);  // a coarse timer may fire a twentieth late
    QObject::connect(m_timer, &QTimer::timeout, &m_context, [this] {
        m_task(Clock::now());
        Schedule();
    });
    m_context.moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("deadline"));
    m_thread.start();
}

CDeadlineThread::~CDeadlineThread() {
    // The timer is stopped on its own thread, as Qt's timers must be.
    QMetaObject::invokeMethod(&m_context, [this] { m_timer->stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void CDeadlineThread::Wake() {
    QMetaObject::invokeMethod(&m_context, [this] { Schedule(); }, Qt::QueuedConnection);
}

void CDeadlineThread::Schedule() {
    const std::optional<Clock::time_point> deadline = m_deadline();
    if (!deadline) {
        m_timer->stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    m_timer->start(std::max(wait, std::chrono::milliseconds(0)));
}
