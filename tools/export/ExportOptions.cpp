// Parsing of corvane-export's options.
#include "ExportOptions.h"

#include <regex>

#include "archive/ArchiveFile.h"
#include "archive/StationConfig.h"

namespace {

constexpr int kMaxAveragingSeconds = 3600;

// "2026-12-01T00": an hour in UTC.
std::optional<std::time_t> Hour(const std::string& text) {
    std::smatch m;
    if (!std::regex_match(text, m, std::regex(R"((\d{4})-(\d{2})-(\d{2})T(\d{2}))"))) return std::nullopt;
    const int year = std::stoi(m[1]);
    const int month = std::stoi(m[2]);
    const int day = std::stoi(m[3]);
    const int hour = std::stoi(m[4]);
    std::tm calendar{};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    const std::time_t time = timegm(&calendar);  // normalises calendar: 30 February becomes 2 March
    if (calendar.tm_mon != month - 1 || calendar.tm_mday != day || calendar.tm_hour != hour)
        return std::nullopt;
    return time;
}

}  // namespace

ExportOptionsResult ParseExportOptions(const std::vector<std::string>& arguments) {
    ExportOptionsResult result;
    ExportOptions options;
    options.stationFile = StationConfigPath();
    std::optional<std::time_t> from;
    std::optional<std::time_t> to;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            result.help = true;
            return result;
        }
        if (argument.rfind("--", 0) != 0) {
            options.logFiles.push_back(argument);
            continue;
        }
        if (i + 1 == arguments.size()) {
            result.error = argument + " needs a value";
            return result;
        }
        const std::string& value = arguments[++i];
        if (argument == "--station") {
            options.stationFile = value;
        } else if (argument == "--out") {
            options.outFolder = value;
        } else if (argument == "--from" || argument == "--to") {
            (argument == "--from" ? from : to) = Hour(value);
            if (!(argument == "--from" ? from : to)) {
                result.error = argument + " \"" + value + "\" is not an hour in UTC such as 2026-12-01T00";
                return result;
            }
        } else if (argument == "--period") {
            if (value != "hour" && value != "day") {
                result.error = "--period is hour or day, not \"" + value + "\"";
                return result;
            }
            options.period = value == "day" ? kDay : kHour;
        } else if (argument == "--averaging") {
            const bool digits = !value.empty() && value.size() <= 4 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            if (!digits || std::stoi(value) < 1 || std::stoi(value) > kMaxAveragingSeconds) {
                result.error = "--averaging is the instrument's averaging time in seconds, 1 to 3600";
                return result;
            }
            options.averaging = std::chrono::seconds(std::stoi(value));
        } else {
            result.error = "unknown option " + argument;
            return result;
        }
    }
    if (!from || !to || options.outFolder.empty() || options.logFiles.empty()) {
        result.error = "--from, --to, --out and at least one log file are needed";
    } else if (*to <= *from) {
        result.error = "--to must come after --from";
    } else if (*from % options.period.count() != 0 || *to % options.period.count() != 0) {
        result.error = "with --period day, --from and --to must be at hour 00";
    } else {
        options.from = *from;
        options.to = *to;
        result.options = options;
    }
    return result;
}

std::string ExportHelpText() {
    return "Usage: corvane-export --from YYYY-MM-DDTHH --to YYYY-MM-DDTHH --out DIR [options] LOGFILE...\n"
           "Writes the archive's level-0 files (NASA-Ames 1001) of the period from --from up to --to (UTC)\n"
           "from Corvane's log files, given in the order they were written.\n"
           "\n"
           "  --station FILE     the station description (default ~/.config/corvane/station.conf)\n"
           "  --from HOUR        the first hour, UTC, such as 2026-12-01T00\n"
           "  --to HOUR          the hour after the last, UTC\n"
           "  --out DIR          the folder the files are written into\n"
           "  --period P         hour (one file per hour, the default) or day\n"
           "  --averaging S      the instrument's averaging time in seconds (default: the most common\n"
           "                     spacing of the records)\n"
           "\n"
           "Lines that cannot be used are reported with their file and line number, and the export goes on.\n"
           "Exit status: 0 all went well, 1 lines were skipped, 2 bad usage or nothing could be written.\n";
}
