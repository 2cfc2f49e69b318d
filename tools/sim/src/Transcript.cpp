// Writing the simulator's transcript.
#include "sim/Transcript.h"

#include <cerrno>
#include <chrono>
#include <cstring>

Transcript::~Transcript() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
}

bool Transcript::Open(const std::string& path, std::string& error) {
    if (path.empty()) return true;
    m_pFile = std::fopen(path.c_str(), "w");
    if (m_pFile == nullptr) {
        error = "cannot write the transcript " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string Transcript::Escaped(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
    }
    return text;
}

void Transcript::Ignored(std::string_view command, std::string_view reason) {
    Write("IGNORED", Escaped(command) + " (" + std::string(reason) + ")");
}

void Transcript::Write(std::string_view kind, std::string_view text) {
    if (m_pFile == nullptr) return;
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(sinceEpoch).count();
    std::fprintf(m_pFile, "%lld.%06lld %.*s %.*s\n", static_cast<long long>(micros / 1000000),
                 static_cast<long long>(micros % 1000000), static_cast<int>(kind.size()), kind.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(m_pFile);
}
