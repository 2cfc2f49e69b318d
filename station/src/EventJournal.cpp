// The station journal: time-stamped event lines, rotated at about 1 MiB, each synced to disk; the
// last lines and the counts by event word in memory.
#include "station/EventJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>

#include "base/FileDescriptor.h"
#include "base/StandardError.h"
#include "base/XdgFolders.h"

#include "station/ClockTexts.h"

namespace {

// What this program journaled, behind one lock that also keeps its own threads' lines in order.
struct JournalMemory {
    std::mutex lock;
    bool failing = false;  // the file could not be written last time, and that was reported
    std::deque<std::string> recent;
    std::map<std::string, std::uint64_t, std::less<>> counts;
};

JournalMemory& Memory() {
    static JournalMemory memory;
    return memory;
}

// Every copy of the program takes this lock around rotating and appending, so that two copies
// never both rotate (the second rename would replace the journal the first has just rotated).
// Without the lock (a file system that refuses it) the line is still written.
void LockExclusive(int fd) {
    while (fd >= 0 && flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

// Appends the line to the journal file; false with errno set when it cannot.
bool AppendDurably(const std::string& path, const std::string& line) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const FileDescriptor lock(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    LockExclusive(lock.Get());
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && static_cast<std::uintmax_t>(info.st_size) >= kJournalRotateBytes)
        std::rename(path.c_str(), (path + ".1").c_str());
    FileDescriptor file(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    return file.IsOpen() && WriteAll(file.Get(), line) && fdatasync(file.Get()) == 0 && file.Close();
}

}  // namespace

std::string JournalPath() {
    const std::optional<std::string> folder = XdgStateFolder();
    return folder ? *folder + "/events.log" : std::string();
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
    JournalMemory& memory = Memory();
    const std::lock_guard guard(memory.lock);
    const std::string line = JournalLine(std::time(nullptr), word, details);
    memory.recent.emplace_back(line, 0, line.size() - 1);
    if (memory.recent.size() > kJournalRecentLines) memory.recent.pop_front();
    const auto counted = memory.counts.find(word);
    if (counted != memory.counts.end())
        ++counted->second;
    else
        memory.counts.emplace(word, 1);

    // The file first: standard error may be slow or gone, and only the file must have every event.
    const std::string path = JournalPath();
    const bool written = !path.empty() && AppendDurably(path, line);
    const int error = errno;
    WriteToStandardError(line);
    // Without a state folder there is no file to write; that has been said once already.
    if (written || path.empty()) {
        memory.failing = false;
        return;
    }
    if (!memory.failing) {
        memory.failing = true;
        WriteToStandardError("corvane: the journal " + path + " cannot be written (" + std::strerror(error) +
                             "); events go to standard error only\n");
    }
}

std::vector<std::string> RecentJournalLines(std::size_t count) {
    JournalMemory& memory = Memory();
    const std::lock_guard guard(memory.lock);
    const std::size_t first = memory.recent.size() - std::min(count, memory.recent.size());
    return {memory.recent.begin() + static_cast<std::ptrdiff_t>(first), memory.recent.end()};
}

std::map<std::string, std::uint64_t> JournalEventCounts() {
    JournalMemory& memory = Memory();
    const std::lock_guard guard(memory.lock);
    return {memory.counts.begin(), memory.counts.end()};
}
