// The program's side of the simulator's line for the tests: opens COMn raw at a given speed,
// sends commands with CR LF and reads CR-terminated lines with a time-out.
#pragma once

#include <termios.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

class LineClient {
public:
    LineClient(const std::string& path, speed_t speed);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    bool IsOpen() const { return m_nFd >= 0; }
    void SetSpeed(speed_t speed);
    void Send(std::string_view command);
    // The next line without its CR, or nothing when none is complete within the time-out.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // Sends the command and reads one line.
    std::optional<std::string> Ask(std::string_view command,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(1));
    // Every byte received so far.
    const std::string& Raw() const { return m_strRaw; }
    // True when the line hangs up (POLLHUP or a read error) within the time-out.
    bool WaitForHangup(std::chrono::milliseconds timeout);

private:
    // Waits for bytes up to the deadline; false at the deadline or on a hang-up.
    bool ReadMore(std::chrono::steady_clock::time_point deadline);

    int m_nFd = -1;
    std::string m_strRaw;
    std::size_t m_nConsumed = 0;  // bytes of m_strRaw already returned as lines
    bool m_bHungUp = false;
};
