// FakeInstrument: a pseudo-terminal whose master end plays the instrument for the link tests. A thread
// answers each command (a CR LF terminated line) through a handler and records it with its line speed.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PseudoTerminal.h"

class FakeInstrument : public PseudoTerminal {
public:
    // Returns the bytes to send back for one command; speed is the slave end's speed when it arrived.
    using Responder = std::function<std::string(const std::string& command, speed_t speed)>;
    struct Command {
        std::string text;
        speed_t speed;
    };

    explicit FakeInstrument(Responder responder);
    ~FakeInstrument();

    // Closes the master end: to the link the device has gone.
    void Hangup();
    std::vector<Command> Commands() const;

private:
    void Run();

    Responder m_responder;
    std::atomic<bool> m_bStop{false};
    mutable std::mutex m_mutex;
    std::vector<Command> m_commands;
    std::thread m_thread;  // last: it starts once everything above is there
};
