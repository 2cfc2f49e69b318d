// The station description file, $XDG_CONFIG_HOME/corvane/station.conf: who runs the station, what the
// instrument is, how its coefficients become 1/Mm, and where the archive's files go. Read at start by the
// program (its problems turn export off) and by corvane-export.
#pragma once

#include <array>
#include <string>
#include <vector>

// Where the uploader sends the files: sftp://user@host[:port]/path/.
struct UploadTarget {
    std::string user;
    std::string host;
    int port = 22;
    std::string folder;  // the remote folder, starting and ending with '/'
};

struct StationConfig {
    std::string stationCode;               // "NO0042R"
    std::string platformCode;              // "NO0042S": the station code with S for its last letter
    std::string laboratoryCode;            // "NO01L"
    std::string organisation;              // the organisation line, nine comma-separated parts as written
    std::vector<std::string> originators;  // "Last, First[, e-mail, ...]", one per originator line
    std::string submitter;                 // "Last, First[, e-mail, ...]"
    std::string projects;                  // acronyms separated by blanks: "GAW-WDCA_NRT ACTRIS_NRT"

    std::string instrumentType = "nephelometer";
    std::string instrumentName;  // in the file name after the laboratory code
    std::string instrumentManufacturer;
    std::string instrumentModel;
    std::string instrumentSerial;
    std::string methodRef;

    std::string matrix;                // "pm10"
    std::string inletType;             // "Impactor--direct"
    std::array<int, 3> wavelengths{};  // nm, of the Blue, Green and Red channels
    // The instrument's coefficients times this factor are in 1/Mm (1e6 for an instrument that reports 1/m).
    double coefficientFactor = 0;

    bool exportOn = false;
    std::string outbox;  // the folder the hourly files are written into and sent from
    UploadTarget upload;
    std::string uploadKeyFile;  // the private key of the archive's account
    std::string uploadHostKey;  // the server's host key as ssh-keygen -l prints it: "SHA256:..."
};

struct StationConfigResult {
    bool found = false;  // the file exists (a station that does not export may have none)
    StationConfig config;
    // One sentence each. Problems stop every archive file; upload problems stop only the hourly export
    // of a running program, not corvane-export.
    std::vector<std::string> problems;
    std::vector<std::string> uploadProblems;

    bool ExportEnabled() const { return config.exportOn && problems.empty() && uploadProblems.empty(); }
};

// $XDG_CONFIG_HOME/corvane/station.conf (default ~/.config/corvane/station.conf).
std::string StationConfigPath();
// $XDG_STATE_HOME/corvane/outbox (default ~/.local/state/corvane/outbox): the outbox when none is given.
std::string DefaultOutbox();

// Reads and checks the file. Every problem found is listed, not only the first.
StationConfigResult LoadStationConfig(const std::string& path);

// The one message an operator is shown for a file with problems (a box, or the journal when headless):
// what is wrong, line by line, and that the archive's hourly files stay off until it is mended.
std::string StationConfigMessage(const std::string& path, const StationConfigResult& result);
