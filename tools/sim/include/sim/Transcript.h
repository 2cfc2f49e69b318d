// The simulator's transcript: one line per line sent ("TX"), command received ("RX"), burst of line
// noise ("NOISE") and command ignored for a wrong line speed ("IGNORED"), each stamped with the
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
    void Ignored(std::string_view command, std::uint32_t lineSpeed);

    static std::string Escaped(std::string_view bytes);

private:
    void Write(std::string_view kind, std::string_view text);

    std::FILE* m_pFile = nullptr;
};
