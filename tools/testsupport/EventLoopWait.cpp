// WaitFor on a local event loop with a check timer and a time-out timer.
#include "EventLoopWait.h"

#include <QEventLoop>
#include <QTimer>

bool WaitFor(const std::function<bool()>& condition, int timeoutMs, int checkMs) {
    if (condition()) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(checkMs);
    loop.exec();
    return condition();
}
