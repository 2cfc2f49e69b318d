// Preloaded into a program under test: kills it with SIGKILL the Nth time (N the variable's value) it
// comes to a step of an hourly file's way, so that a test sees what a program killed there leaves:
//   CORVANE_KILL_AT_RENAME     a rename to a name ending in ".nas" (written, not yet in the outbox)
//   CORVANE_KILL_AT_SENT_LIST  a write to the sent-list (on the server, not yet noted)
//   CORVANE_KILL_AT_REMOVE     a removal of a ".nas" file (sent and noted, still in the outbox)
#include <dlfcn.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// Counts the steps of one kind and dies at the chosen one. Each is a static of its function, made at
// its first call, which may come before the library's own static objects are.
struct KillPoint {
    explicit KillPoint(const char* variable)
        : at(std::getenv(variable) ? std::atoi(std::getenv(variable)) : 0) {}
    void Step() {
        if (at > 0 && ++seen == at) raise(SIGKILL);
    }
    const int at;  // 0: never
    std::atomic<int> seen{0};
};

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
    static KillPoint point("CORVANE_KILL_AT_RENAME");
    if (EndsWith(to, ".nas")) point.Step();
    static const auto next = Next<int (*)(const char*, const char*)>("rename");
    return next(from, to);
}

extern "C" int remove(const char* path) {
    static KillPoint point("CORVANE_KILL_AT_REMOVE");
    if (EndsWith(path, ".nas")) point.Step();
    static const auto next = Next<int (*)(const char*)>("remove");
    return next(path);
}

extern "C" ssize_t write(int fd, const void* data, size_t size) {
    static KillPoint point("CORVANE_KILL_AT_SENT_LIST");
    if (point.at > 0) {
        char link[32];
        char path[PATH_MAX];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t length = readlink(link, path, sizeof path);
        if (length > 0 &&
            EndsWith(std::string_view(path, static_cast<std::size_t>(length)), "upload-sent.list"))
            point.Step();
    }
    static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return next(fd, data, size);
}
