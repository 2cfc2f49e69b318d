// A pseudo-terminal whose master side plays the instrument for the serial link tests: it collects the
// commands written to the slave side and answers each one through a handler.
#pragma once

#include <termios.h>

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class FakeInstrument {
public:
    // Returns the bytes to send back for one command (without its CR LF); speed is the line speed the
    // slave side was set to when the command arrived.
    using Responder = std::function<std::string(const std::string& command, speed_t speed)>;
    struct Command {
        std::string text;
        speed_t speed;
    };

    explicit FakeInstrument(Responder responder = {});
    ~FakeInstrument();
    FakeInstrument(const FakeInstrument&) = delete;
    FakeInstrument& operator=(const FakeInstrument&) = delete;

    // The slave device the link opens.
    const std::string& DevicePath() const { return m_strPath; }
    // Reads the slave side's line settings.
    termios LineSettings() const;
    // Sends bytes unasked.
    void Send(std::string_view bytes);
    // Waits until the link has read everything sent to it (up to two seconds); false if it has not.
    bool WaitUntilRead() const;
    // Closes the master side: to the link the device has gone.
    void Hangup();
    std::vector<Command> Commands() const;

private:
    void Run();
    void Stop();

    Responder m_responder;
    int m_master = -1;
    int m_slave = -1;  // kept open so that the master never sees a hang-up between the link's opens
    int m_wake = -1;
    std::string m_strPath;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<Command> m_commands;
};
