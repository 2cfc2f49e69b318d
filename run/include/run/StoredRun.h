// The settings-store values an unattended run lives on: the Com port that last answered a handshake,
// and the logging choices as stored. Used by the run core, the window and the headless program.
#pragma once

#include <cstdint>
#include <optional>

#include "run/RunConfig.h"

// Stores the Com port as RUN_PORT, the port --start uses. False when the store did not take it.
bool RememberRunPort(std::uint16_t port);
// Stores daily log files (the log-size check's switch). False when the store did not take it.
bool StoreDailyLogLength();

// The run --start begins with: the port that last answered, else the stored selection of the list
// of ports that open now; logging, its length and folder as stored (the working folder when none is
// stored); the log file named by the rule once the instrument answers. Nothing when no port is known.
std::optional<RunConfig> StoredRunConfig();
