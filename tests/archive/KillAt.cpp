// Preloaded into a program under test: kills the process with SIGKILL at a chosen step of the archive's
// hourly files, so that a test can see what a program killed there leaves behind. Each variable names the
// Nth time the step comes:
//   CORVANE_KILL_AT_RENAME=N     just before a file is renamed into a name ending in ".nas" (written, not
//                                yet in the outbox)
//   CORVANE_KILL_AT_SENT_LIST=N  just before a name is written into the sent-list (the server has the
//                                file under its final name, the program has not noted it)
//   CORVANE_KILL_AT_REMOVE=N     just before a file whose name ends in ".nas" is removed (sent and noted,
//                                still in the outbox)
#include <dlfcn.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

struct KillPoint {
    const char* variable;
    int at = 0;  // 0: never
    std::atomic<int> seen{0};

    explicit KillPoint(const char* name) : variable(name) {
        if (const char* value = std::getenv(name)) at = std::atoi(value);
    }
    // Counts the step; dies at the chosen one.
    void Step() {
        if (at > 0 && ++seen == at) raise(SIGKILL);
    }
};

KillPoint& Renames() {
    static KillPoint point("CORVANE_KILL_AT_RENAME");
    return point;
}
KillPoint& SentListWrites() {
    static KillPoint point("CORVANE_KILL_AT_SENT_LIST");
    return point;
}
KillPoint& Removes() {
    static KillPoint point("CORVANE_KILL_AT_REMOVE");
    return point;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
    if (EndsWith(to, ".nas")) Renames().Step();
    static const auto next = Next<int (*)(const char*, const char*)>("rename");
    return next(from, to);
}

extern "C" int remove(const char* path) {
    if (EndsWith(path, ".nas")) Removes().Step();
    static const auto next = Next<int (*)(const char*)>("remove");
    return next(path);
}

extern "C" ssize_t write(int fd, const void* data, size_t size) {
    if (SentListWrites().at > 0) {
        char link[32];
        char path[PATH_MAX];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t length = readlink(link, path, sizeof path);
        if (length > 0 && EndsWith(std::string_view(path, static_cast<std::size_t>(length)), "upload-sent.list"))
            SentListWrites().Step();
    }
    static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return next(fd, data, size);
}
