// corvane-sim's command-line options: what the simulated instrument starts with and which faults
// it plays. Parsed once in main; every other part of the simulator reads them from here.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/InstrumentConfig.h"

struct SimOptions {
    std::string deviceDir;                   // empty: a new folder under /tmp
    std::uint16_t port = 1;                  // published as COM<port>
    std::uint32_t baud = 9600;               // the only line speed at which the instrument answers
    InstrumentConfig config;                 // initial configuration (timing, record switches)
    std::optional<std::int64_t> clockStart;  // calendar seconds; absent: the computer's local time
    double speed = 1.0;                      // instrument seconds per real second
    std::int64_t clockOffset = 0;            // seconds added to the clock's start
    double clockDriftPpm = 0;                // the clock runs fast by this many parts per million

    // Instrument seconds per real second: the speed, with the clock's drift on top.
    double ClockRate() const { return speed * (1 + clockDriftPpm / 1e6); }

    bool silent = false;                       // never send anything
    std::set<std::string> refused;             // setting names whose set command answers "ERROR"
    std::uint16_t statusWord = 0;              // reported in every Y record
    std::uint32_t replyDelayMs = 0;            // added before every reply
    bool noise = false;                        // line noise after every set of unpolled records
    std::optional<std::uint64_t> hangupAfter;  // lines sent before the line goes dead
    std::uint64_t burst = 0;                   // numbered D records sent when unpolled output starts
    std::string transcriptPath;                // empty: no transcript

    // The instrument's life, in real seconds from the simulator's start (whatever the speed).
    std::optional<double> appearAfter;   // the link is published only then
    std::optional<double> vanishAfter;   // the instrument goes away (also on SIGUSR1)...
    double vanishFor = 3.0;              // ...and comes back on a new pseudo-terminal after this long
    std::optional<double> restartAfter;  // the instrument restarts (also on SIGUSR2)...
    double restartSilent = 3.0;          // ...ignoring every command for this long
};

struct SimOptionsResult {
    std::optional<SimOptions> options;  // absent on --help or an error
    bool help = false;
    std::string error;  // the operator's error text
};

// Parses the arguments after the program name.
SimOptionsResult ParseSimOptions(const std::vector<std::string>& args);
std::string SimHelpText();
