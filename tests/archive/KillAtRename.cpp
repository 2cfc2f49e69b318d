// Preloaded into a program under test: kills the process with SIGKILL just before its Nth rename of a
// file into a name ending in ".nas" (N from CORVANE_KILL_AT_RENAME), so that a test can see what a program
// killed between writing and renaming leaves behind.
#include <dlfcn.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int rename(const char* from, const char* to) {
    static int renames = 0;
    const char* killAt = std::getenv("CORVANE_KILL_AT_RENAME");
    const std::size_t length = std::strlen(to);
    if (killAt != nullptr && length > 4 && std::strcmp(to + length - 4, ".nas") == 0 &&
        ++renames == std::atoi(killAt))
        raise(SIGKILL);
    using Rename = int (*)(const char*, const char*);
    static const auto next = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    return next(from, to);
}
