// CStopSignals: SIGTERM, SIGINT and SIGHUP as a Qt signal on the main thread. The handler only
// writes the signal's number to a pipe; a socket notifier reads it in the event loop.
#pragma once

#include <QObject>

class QSocketNotifier;

class CStopSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; they stay until this object is destroyed.
    explicit CStopSignals(QObject* parent = nullptr);
    ~CStopSignals() override;

signals:
    // name: "SIGTERM", "SIGINT" or "SIGHUP".
    void Received(const char* name);

private:
    void ReadPipe();

    QSocketNotifier* m_notifier = nullptr;
};
