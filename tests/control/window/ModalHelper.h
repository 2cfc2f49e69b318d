// Acts on a modal dialog that the code under test opens and waits in: the action runs once a
// modal widget of the type is shown, and must close it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(dialog);
    });
    timer->start();
}
