// CStopSignals: SIGTERM, SIGINT and SIGHUP handed to a callback on a thread of their own. The handler
// only writes the signal's number to a pipe; the thread reads it. The callback runs even while the
// main thread is blocked in a command exchange, so it can cut that exchange short.
#pragma once

#include <functional>
#include <thread>

class CStopSignals {
public:
    // onSignal gets "SIGTERM", "SIGINT" or "SIGHUP", on the watching thread. Installs the handlers;
    // they stay until this object is destroyed.
    explicit CStopSignals(std::function<void(const char* name)> onSignal);
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

private:
    void Watch();

    std::function<void(const char*)> m_onSignal;
    std::thread m_thread;
};
