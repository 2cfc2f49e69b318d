// What a data run is told at its start. The run keeps these choices until it ends: a reconnect never
// reads the settings store again.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "run/DataLog.h"
#include "records/InstrumentSettings.h"
#include "run/InstrumentSetup.h"

struct RunConfig {
    std::uint16_t port = 0;  // Com port
    bool logging = false;
    std::uint16_t logLength = CDataLog::kDaily;
    std::string logFolder;  // ends with "/"
    // The chosen file name; empty when the file is named by the rule from the instrument's date once
    // the instrument first answers (an unattended start).
    std::string logFile;
    std::uint16_t model = ModelIndex::kUnknown;  // for the log-size check of an unattended start
    // Keep the instrument's clock within this many seconds of the PC's; 0 leaves it alone.
    unsigned keepClockSeconds = 0;

    // What the window's start sequence read from the instrument before handing the run over.
    InstrumentSetup setup;
    std::optional<std::time_t> instrumentTime;

};
