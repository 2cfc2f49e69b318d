// Parsing and help text of corvane-sim's options.
#include "sim/SimOptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "sim/InstrumentClock.h"

namespace {

// Whole number within [min, max], digits only.
bool ParseNumber(const std::string& text, std::uint64_t min, std::uint64_t max, std::uint64_t& value) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return value >= min && value <= max;
}

using Parser = std::function<bool(const std::string&)>;
constexpr std::uint64_t kMaxCount = 1'000'000'000'000;

// A whole number within [min, max] stored into target.
template <typename T>
Parser NumberInto(T& target, std::uint64_t min, std::uint64_t max) {
    return [&target, min, max](const std::string& text) {
        std::uint64_t value = 0;
        if (!ParseNumber(text, min, max, value)) return false;
        target = static_cast<T>(value);
        return true;
    };
}

constexpr double kMaxRealSeconds = 86400;

// Real seconds, 0 to a day, as digits with an optional decimal point: "2", "0.5".
template <typename T>
Parser SecondsInto(T& target) {
    return [&target](const std::string& text) {
        const std::size_t point = text.find('.');
        const std::string digits =
            point == std::string::npos ? text : text.substr(0, point) + text.substr(point + 1);
        if (digits.empty() || digits.size() > 12 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const double seconds = std::strtod(text.c_str(), nullptr);
        if (seconds > kMaxRealSeconds) return false;
        target = seconds;
        return true;
    };
}

// An optional sign, then digits with at most one decimal point ("-90", "+12.5"); no exponent, no
// "inf" or "nan", at most 12 digits.
bool ParseSignedDecimal(const std::string& text, double& value) {
    const std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    std::string digits = text.substr(start);
    if (const std::size_t point = digits.find('.'); point != std::string::npos) digits.erase(point, 1);
    if (digits.empty() || digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::strtod(text.c_str(), nullptr);
    return true;
}

// A clock a year off is plausible for an instrument nobody set; further is a typing error.
constexpr double kMaxClockOffset = 366.0 * 86400;
// A clock half again as fast, or half as slow, still shows drift quickly in a test.
constexpr double kMaxClockDriftPpm = 500000;

// A text that must not be empty.
Parser TextInto(std::string& target) {
    return [&target](const std::string& text) {
        target = text;
        return !text.empty();
    };
}

// "2005-08-31T23:59:50"
bool ParseClock(const std::string& text, std::optional<std::int64_t>& seconds) {
    CalendarTime time{};
    char rest = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &time.year, &time.month,
                                         &time.day, &time.hour, &time.minute, &time.second, &rest) != 6)
        return false;
    if (!IsValidCalendarTime(time)) return false;
    seconds = ToCalendarSeconds(time);
    return true;
}

// "DTYZBGR" style: each letter switches its unpolled record on, the rest off; any of B, G and R
// switches the photon records on. "none" switches all off.
bool ParseRecords(const std::string& text, InstrumentConfig& config) {
    const std::string letters = text == "none" ? "" : text;
    if (letters.find_first_not_of("DTYZBGR") != std::string::npos) return false;
    const auto has = [&](std::string_view set) { return letters.find_first_of(set) != std::string::npos; };
    config.Set(Setting::DataRecords, has("D"));
    config.Set(Setting::TimeRecords, has("T"));
    config.Set(Setting::AuxRecords, has("Y"));
    config.Set(Setting::ZeroRecords, has("Z"));
    config.Set(Setting::PhotonRecords, has("BGR") ? 3 : 0);
    return true;
}

bool ParseRefused(const std::string& text, std::set<std::string>& refused) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string name = text.substr(start, comma - start);
        if (name != "STT" && !SettingByName(name)) return false;
        refused.insert(name);
        start = comma + 1;
    }
    return true;
}

}  // namespace

std::string SimHelpText() {
    return R"(Usage: corvane-sim [options]

Simulates the nephelometer on a pseudo-terminal published as COM<port> in a device folder. Start
Corvane with CORVANE_DEVICE_DIR set to that folder and it lists the simulator as "Com port <port>".
Runs until SIGINT, SIGTERM or SIGHUP (Ctrl+C) and removes its link on the way out.

Line
  --device-dir DIR     folder of the COM<port> link (created when missing);
                       default: a new folder under /tmp, printed at start
  --port N             port number 1-16 (default 1)
  --baud RATE          9600, 19200 or 38400 (default 9600); the simulator answers only while the
                       program has the line at this rate

Instrument at start (the program may change all of it, as on the real instrument)
  --averaging S        averaging time, seconds (default 60)
  --blank S            blank time, seconds (default 60)
  --zero S             zero time, seconds (default 300)
  --autozero S         auto zero period, seconds (default 3600)
  --records LETTERS    unpolled records switched on, from D T Y Z B G R (B, G or R: the photon
                       records); "none" for none (default DTYZ)
  --clock TIME         instrument clock start, as 2005-08-31T23:59:50 (default: the computer's
                       local time)
  --clock-offset S     instrument clock S whole seconds ahead of that start (negative: behind),
                       for example -90 (default 0)
  --clock-drift PPM    instrument clock fast by PPM parts per million (negative: slow), for example
                       150; it drifts on from wherever "STT" sets it (default 0)
  --speed F            instrument seconds per real second, for example 60 (default 1)
  --status HEX         status word in the Y records, 1-4 hex digits, for example 0003 (default 0000)

Faults
  --silent             never send anything
  --refuse NAMES       answer "ERROR" to the set commands of these names, for example UZ,STA
                       (SMB SMZ UD UT UP UY UZ STA STB STZ STP STT)
  --reply-delay-ms MS  wait this long before each reply
  --noise              line noise after each set of unpolled records: garbage bytes, a NUL, a D
                       record without its letter, in turn
  --hangup-after N     after N lines sent, close the line as an unplugged adapter would, remove
                       the link and exit

The instrument's life (S: real seconds from the start, whatever --speed; decimals allowed)
  --appear-after S     publish the COM<port> link only after S seconds, as a port that appears
                       when an adapter is plugged in
  --vanish-after S     after S seconds, go away as an unplugged adapter: stop sending, let the
                       program read what was sent (at most 1 s), close the pseudo-terminal (the
                       program sees a hang-up) and remove the link; SIGUSR1 does the same at once,
                       each time it comes while the port is there
  --vanish-for S       stay away S seconds (default 3), then publish the link again to a new
                       pseudo-terminal (usually another /dev/pts number); the instrument keeps
                       its settings and clock and comes back in polled mode, as after a power cycle
  --restart-after S    after S seconds, restart on a line that stays up: unpolled output stops and
                       is forgotten; SIGUSR2 does the same at once
  --restart-silent S   after a restart ignore every command for S seconds (default 3), then
                       answer in polled mode

Tests and benchmarks
  --burst N            each time unpolled output starts, first send N numbered D records
                       (all six coefficients carry the number) as fast as the line takes them,
                       then report the count and time on stderr; "UE" cuts the burst short
  --transcript FILE    write every line sent ("TX"), command received ("RX"), piece of noise
                       ("NOISE"), command ignored ("IGNORED", at a wrong line speed or while
                       restarting) and change of the instrument's life ("EVENT": published <pts>,
                       gone, restarting, answering) to FILE, one per line, stamped
                       <seconds.microseconds>, flushed at once
  --help               show this text
)";
}

SimOptionsResult ParseSimOptions(const std::vector<std::string>& args) {
    SimOptions options;
    const auto timing = [&options](Setting setting) {
        return [&options, setting](const std::string& v) {
            std::uint64_t value = 0;
            return ParseNumber(v, 1, 65535, value) &&
                   options.config.Set(setting, static_cast<std::uint32_t>(value));
        };
    };
    const std::map<std::string, Parser> valued = {
        {"--device-dir", TextInto(options.deviceDir)},
        {"--port", NumberInto(options.port, 1, 16)},
        {"--baud",
         [&](const std::string& v) {
             return (v == "9600" || v == "19200" || v == "38400") && NumberInto(options.baud, 1, 38400)(v);
         }},
        {"--averaging", timing(Setting::AveragingTime)},
        {"--blank", timing(Setting::BlankTime)},
        {"--zero", timing(Setting::ZeroTime)},
        {"--autozero", timing(Setting::AutoZeroPeriod)},
        {"--records", [&](const std::string& v) { return ParseRecords(v, options.config); }},
        {"--clock", [&](const std::string& v) { return ParseClock(v, options.clockStart); }},
        {"--clock-offset",
         [&](const std::string& v) {
             double seconds = 0;
             if (v.find('.') != std::string::npos || !ParseSignedDecimal(v, seconds) ||
                 std::abs(seconds) > kMaxClockOffset)
                 return false;
             options.clockOffset = static_cast<std::int64_t>(seconds);
             return true;
         }},
        {"--clock-drift",
         [&](const std::string& v) {
             return ParseSignedDecimal(v, options.clockDriftPpm) &&
                    std::abs(options.clockDriftPpm) <= kMaxClockDriftPpm;
         }},
        {"--speed",
         [&](const std::string& v) {
             char* end = nullptr;
             options.speed = std::strtod(v.c_str(), &end);
             return !v.empty() && *end == '\0' && options.speed > 0 && options.speed <= 1e6;
         }},
        {"--status",
         [&](const std::string& v) {
             if (v.empty() || v.size() > 4 ||
                 v.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                 return false;
             options.statusWord = static_cast<std::uint16_t>(std::strtoul(v.c_str(), nullptr, 16));
             return true;
         }},
        {"--refuse", [&](const std::string& v) { return ParseRefused(v, options.refused); }},
        {"--reply-delay-ms", NumberInto(options.replyDelayMs, 0, 600000)},
        {"--hangup-after", NumberInto(options.hangupAfter, 1, kMaxCount)},
        {"--burst", NumberInto(options.burst, 1, kMaxCount)},
        {"--transcript", TextInto(options.transcriptPath)},
        {"--appear-after", SecondsInto(options.appearAfter)},
        {"--vanish-after", SecondsInto(options.vanishAfter)},
        {"--vanish-for", SecondsInto(options.vanishFor)},
        {"--restart-after", SecondsInto(options.restartAfter)},
        {"--restart-silent", SecondsInto(options.restartSilent)},
    };
    const std::map<std::string, bool*> flags = {{"--silent", &options.silent}, {"--noise", &options.noise}};

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('=');
            name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") return {std::nullopt, true, {}};
        if (const auto flag = flags.find(name); flag != flags.end() && !value) {
            *flag->second = true;
            continue;
        }
        const auto parser = valued.find(name);
        if (parser == valued.end()) return {std::nullopt, false, "unknown option " + args[i]};
        if (!value) {
            if (i + 1 == args.size()) return {std::nullopt, false, name + " needs a value"};
            value = args[++i];
        }
        if (!parser->second(*value))
            return {std::nullopt, false, "bad value for " + name + ": \"" + *value + "\""};
    }
    if (options.clockStart && !IsValidCalendarTime(FromCalendarSeconds(*options.clockStart + options.clockOffset)))
        return {std::nullopt, false, "--clock-offset takes the clock outside the years 1 to 9999"};
    return {options, false, {}};
}
