// PseudoTerminal: a pseudo-terminal made for a test, or the program's end of an existing one opened
// raw. Writes whole byte strings and reads lines with a time-out until the other end hangs up.
#pragma once

#include <termios.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

class PseudoTerminal {
public:
    // A new pseudo-terminal: this object is its master end and DevicePath() names the slave end for
    // the program to open. Like a real instrument, it holds none of the program's end: while nobody
    // has the slave open, reads wait instead of reporting a hang-up.
    PseudoTerminal();
    // The terminal device at path, opened raw at speed.
    PseudoTerminal(const std::string& path, speed_t speed);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& DevicePath() const { return m_strPath; }
    bool IsOpen() const { return m_nFd >= 0; }
    // The line settings; on a master end, those the program gave the slave end.
    termios LineSettings() const;
    void SetSpeed(speed_t speed);
    // False when the other end has gone.
    bool Send(std::string_view bytes) const;
    // The next line up to end, without it; nothing when no line is complete within the time-out or
    // the other end has hung up.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout, std::string_view end = "\r");
    // For a pseudo-terminal made here: waits up to the time-out until the program has read everything
    // sent to it (asked through a short open of the slave end, which needs root while the program
    // holds the line in exclusive mode).
    bool WaitUntilRead(std::chrono::milliseconds timeout = std::chrono::seconds(2)) const;
    // Closes this end: to the program the device has gone.
    void Close();

private:
    // Waits for bytes up to the deadline; false at the deadline or on a hang-up.
    bool ReadMore(std::chrono::steady_clock::time_point deadline);

    int m_nFd = -1;
    bool m_bMaster = false;  // made here: a hang-up only means that nobody has the slave open now
    std::string m_strPath;
    std::string m_strReceived;
    std::size_t m_nConsumed = 0;  // bytes of m_strReceived already returned as lines
    bool m_bHungUp = false;
};
