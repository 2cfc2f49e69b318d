// The simulator's transcript: one line per line sent ("TX"), command received ("RX"), burst of line
// noise ("NOISE"), command ignored ("IGNORED") and change of the instrument's life ("EVENT": the
// link published, the instrument gone, restarting, answering again), each stamped with the
// computer's clock as <seconds.microseconds> and flushed at once, so that a test can compare what
// the simulator sent with what the program logged.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class Transcript {
public:
    Transcript() = default;
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // Creates or empties the file. An empty path writes nothing.
    bool Open(const std::string& path, std::string& error);

    // A sent line, exactly as sent without its CR.
    void Sent(std::string_view line) { Write("TX", line); }
    // Other entries; their text is escaped (\xHH for bytes outside printable ASCII, \\ for \).
    void Received(std::string_view command) { Write("RX", Escaped(command)); }
    void Noise(std::string_view bytes) { Write("NOISE", Escaped(bytes)); }
    // A command the instrument did not act on, and why: "line at 19200 baud", "restarting".
    void Ignored(std::string_view command, std::string_view reason);
    void Event(std::string_view text) { Write("EVENT", text); }

    static std::string Escaped(std::string_view bytes);

private:
    void Write(std::string_view kind, std::string_view text);

    std::FILE* m_pFile = nullptr;
};
