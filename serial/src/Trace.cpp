// Writes the "COMM:" trace lines, or drops them when tracing is off.
#include "Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
bool TraceEnabled() {
    // Read once: the environment is not read again from the reader thread.
    static const bool bEnabled = std::getenv("CORVANE_TRACE") != nullptr;
    return bEnabled;
}
}  // namespace

void TraceComm(const char* format, ...) {
    if (!TraceEnabled()) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "COMM:%s\n", text);
}
