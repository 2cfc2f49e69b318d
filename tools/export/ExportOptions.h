// corvane-export's command line: the station file, the period to export, the output folder and the logs.
#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

struct ExportOptions {
    std::string stationFile;  // default: the program's own station.conf
    std::time_t from = 0;     // UTC, inclusive
    std::time_t to = 0;       // UTC, exclusive
    std::chrono::seconds period{3600};
    std::optional<std::chrono::seconds> averaging;  // nothing: told by the records' spacing
    std::string outFolder;
    std::vector<std::string> logFiles;
};

struct ExportOptionsResult {
    std::optional<ExportOptions> options;
    std::string error;  // why the command line is not usable, when options is empty and help is not asked
    bool help = false;
};

ExportOptionsResult ParseExportOptions(const std::vector<std::string>& arguments);
std::string ExportHelpText();
