// The station journal: time-stamped event lines, rotated at about 1 MiB, each synced to disk.
#include "station/EventJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "station/ClockTexts.h"

namespace {

std::string StateFolder() {
    // A relative XDG path is invalid and ignored, as the base directory rules ask.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return state;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/state";
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Appends the line to the journal file; false with errno set when it cannot.
bool AppendDurably(const std::string& path, const std::string& line) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && static_cast<std::uintmax_t>(info.st_size) >= kJournalRotateBytes)
        std::rename(path.c_str(), (path + ".1").c_str());
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, line) && fdatasync(fd) == 0;
    const int saved = errno;
    close(fd);
    errno = saved;
    return written;
}

}  // namespace

std::string JournalPath() {
    return StateFolder() + "/corvane/events.log";
}

std::string JournalLine(std::time_t when, std::string_view word, std::string_view details) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);

    std::string line = stamp + UtcOffsetText(local.tm_gmtoff) + ' ' + std::string(word);
    if (!details.empty()) line += ' ';
    for (std::size_t i = 0; i < details.size(); ++i) {
        const char c = details[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        // "\r\n", "\n\r" or a lone break: one separator.
        if (i + 1 < details.size() && (details[i + 1] == '\r' || details[i + 1] == '\n') && details[i + 1] != c)
            ++i;
        line += " / ";
    }
    return line + '\n';
}

void JournalEvent(std::string_view word, std::string_view details) {
    static std::mutex lock;
    static bool failing = false;
    const std::lock_guard guard(lock);
    const std::string line = JournalLine(std::time(nullptr), word, details);
    WriteAll(STDERR_FILENO, line);
    const std::string path = JournalPath();
    if (AppendDurably(path, line)) {
        failing = false;
        return;
    }
    if (!failing) {
        failing = true;
        const std::string warning = "corvane: the journal " + path + " cannot be written (" +
                                    std::strerror(errno) + "); events go to standard error only\n";
        WriteAll(STDERR_FILENO, warning);
    }
}
