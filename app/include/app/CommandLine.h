// The program's command line: --start, --headless, --keep-clock, --listen, --metrics-file, --help and
// --version. Parsed before the application object exists, because --headless chooses Qt's platform.
// Used by main().
#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

#include "health/ListenAddress.h"

struct CommandLine {
    bool bStart = false;     // start a data run at once with what is stored
    bool bHeadless = false;  // no window and no display (needs bStart)
    // --keep-clock N: keep the instrument's clock within N seconds for this session (0: leave it
    // alone); absent: as stored.
    std::optional<std::uint32_t> keepClockSeconds;
    // Where the health server listens (--listen); nothing when not given.
    std::optional<ListenSetting> listen;
    std::string strMetricsFile;  // --metrics-file; empty when not given
};

// Parses the arguments (the program's name first). Prints the help or the version to standard
// output, or an error and the usage to standard error, and then gives the exit status to end with
// (0, or 2 for a usage error); gives nothing when the program is to run.
std::optional<int> ParseCommandLine(const QStringList& arguments, CommandLine& out);
