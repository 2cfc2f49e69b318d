// The station description file: key = value lines, each key checked by its own rule, every problem kept.
#include "archive/StationConfig.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>

namespace {

// Larger than any sensible description; a bigger file is not one.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

enum class Need { Always, ForExport, Optional };

// Takes a value into the configuration; returns why it is not acceptable, or nothing when it was taken.
using Apply = std::string (*)(StationConfig&, const std::string&);

struct KeyRule {
    const char* key;
    Need need;
    bool repeatable;
    bool upload;          // a problem of this key stops only the upload
    const char* meaning;  // for the message when the key is missing
    Apply apply;
};

bool Matches(const std::string& value, const char* pattern) {
    return std::regex_match(value, std::regex(pattern));
}

// Parts of a comma-separated line; a part in double quotes may hold commas.
std::vector<std::string> CommaParts(const std::string& text) {
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    for (std::string& part : parts) {
        const std::size_t first = part.find_first_not_of(' ');
        part = first == std::string::npos ? "" : part.substr(first, part.find_last_not_of(' ') - first + 1);
    }
    return parts;
}

std::string Person(std::string& member, const std::string& value) {
    const std::vector<std::string> parts = CommaParts(value);
    if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) return "is not \"Last name, First name\"";
    member = value;
    return {};
}

// A part of the archive's file names: no dots, blanks or slashes.
std::string NamePart(std::string& member, const std::string& value) {
    if (!Matches(value, "[A-Za-z0-9_-]+")) return "may hold only letters, digits, '_' and '-'";
    member = value;
    return {};
}

std::string FreeText(std::string& member, const std::string& value) {
    member = value;
    return {};
}

std::string Wavelengths(StationConfig& c, const std::string& value) {
    std::smatch m;
    if (!std::regex_match(value, m, std::regex(R"((\d{3,4})[ ,]+(\d{3,4})[ ,]+(\d{3,4}))")))
        return "is not three wavelengths in nm, such as 450 550 700";
    for (std::size_t i = 0; i < 3; ++i) c.wavelengths[i] = std::atoi(m[i + 1].str().c_str());
    return {};
}

std::string CoefficientFactor(StationConfig& c, const std::string& value) {
    double factor = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), factor);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(factor) || factor <= 0)
        return "is not a positive number (1 when the instrument reports 1/Mm, 1e6 when it reports 1/m)";
    c.coefficientFactor = factor;
    return {};
}

std::string Export(StationConfig& c, const std::string& value) {
    if (value != "on" && value != "off") return "is neither on nor off";
    c.exportOn = value == "on";
    return {};
}

std::string AbsolutePath(std::string& member, const std::string& value) {
    if (value.front() != '/') return "is not an absolute path";
    member = value;
    return {};
}

std::string UploadUrl(StationConfig& c, const std::string& value) {
    std::smatch m;
    if (!std::regex_match(
            value, m,
            std::regex(R"(sftp://([^@/:\s]+)@([^@/:\s\[\]]+|\[[0-9A-Fa-f:.]+\])(?::(\d{1,5}))?(/.*/))")))
        return "is not of the form sftp://user@host[:port]/folder/";
    const int port = m[3].matched ? std::atoi(m[3].str().c_str()) : 22;
    if (port < 1 || port > 65535) return "has a port outside 1 to 65535";
    c.upload = {m[1], m[2], port, m[4]};
    return {};
}

std::string UploadKey(StationConfig& c, const std::string& value) {
    if (const std::string bad = AbsolutePath(c.uploadKeyFile, value); !bad.empty()) return bad;
    struct stat info {};
    if (stat(value.c_str(), &info) != 0) return std::string("cannot be used (") + std::strerror(errno) + ")";
    if (!S_ISREG(info.st_mode)) return "is not a file";
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("can be read by others (mode ") + mode + "); make it private with chmod 600";
    }
    return {};
}

std::string HostKey(StationConfig& c, const std::string& value) {
    if (!Matches(value, "SHA256:[A-Za-z0-9+/]{43}=?"))
        return "is not a SHA-256 fingerprint as ssh-keygen -l prints it (SHA256: and 43 characters)";
    c.uploadHostKey = value;
    return {};
}

const std::vector<KeyRule>& Rules() {
    static const std::vector<KeyRule> rules = {
        {"station_code", Need::Always, false, false, "the archive's code of the station, such as NO0042R",
         [](StationConfig& c, const std::string& v) -> std::string {
             if (!Matches(v, "[A-Z]{2}[0-9]{4}[A-Z]"))
                 return "is not a station code such as NO0042R (two letters, four digits, a letter)";
             c.stationCode = v;
             c.platformCode = v.substr(0, 6) + "S";
             return {};
         }},
        {"laboratory_code", Need::Always, false, false, "the archive's code of the laboratory, such as NO01L",
         [](StationConfig& c, const std::string& v) -> std::string {
             if (!Matches(v, "[A-Z]{2}[0-9]{2}L")) return "is not a laboratory code such as NO01L";
             c.laboratoryCode = v;
             return {};
         }},
        {"organisation", Need::Always, false, false,
         "the organisation line: lab code, name, acronym, unit, address 1, address 2, zip, town, country",
         [](StationConfig& c, const std::string& v) -> std::string {
             if (CommaParts(v).size() != 9)
                 return "does not have the nine comma-separated parts lab code, name, acronym, unit, "
                        "address 1, address 2, zip, town, country (leave a part empty, not out)";
             c.organisation = v;
             return {};
         }},
        {"originator", Need::Always, true, false, "the data originator, \"Last name, First name\"",
         [](StationConfig& c, const std::string& v) {
             std::string person;
             std::string bad = Person(person, v);
             if (bad.empty()) c.originators.push_back(person);
             return bad;
         }},
        {"submitter", Need::Always, false, false, "the submitter, \"Last name, First name\"",
         [](StationConfig& c, const std::string& v) { return Person(c.submitter, v); }},
        {"projects", Need::Always, false, false, "the projects, such as GAW-WDCA_NRT ACTRIS_NRT",
         [](StationConfig& c, const std::string& v) { return FreeText(c.projects, v); }},
        {"instrument_type", Need::Optional, false, false, "",
         [](StationConfig& c, const std::string& v) { return NamePart(c.instrumentType, v); }},
        {"instrument_name", Need::Always, false, false, "the instrument's name in the archive",
         [](StationConfig& c, const std::string& v) { return NamePart(c.instrumentName, v); }},
        {"instrument_manufacturer", Need::Always, false, false, "the instrument's manufacturer",
         [](StationConfig& c, const std::string& v) { return FreeText(c.instrumentManufacturer, v); }},
        {"instrument_model", Need::Always, false, false, "the instrument's model",
         [](StationConfig& c, const std::string& v) { return FreeText(c.instrumentModel, v); }},
        {"instrument_serial", Need::Always, false, false, "the instrument's serial number",
         [](StationConfig& c, const std::string& v) { return FreeText(c.instrumentSerial, v); }},
        {"method_ref", Need::Always, false, false, "the archive's method reference, such as NO01L_scat_coef",
         [](StationConfig& c, const std::string& v) { return NamePart(c.methodRef, v); }},
        {"matrix", Need::Always, false, false, "the matrix, such as pm10",
         [](StationConfig& c, const std::string& v) -> std::string {
             if (!Matches(v, "[a-z0-9_]+")) return "is not a matrix name such as pm10 or aerosol";
             c.matrix = v;
             return {};
         }},
        {"inlet_type", Need::Always, false, false, "the inlet, such as Impactor--direct",
         [](StationConfig& c, const std::string& v) { return FreeText(c.inletType, v); }},
        {"wavelengths", Need::Always, false, false,
         "the wavelengths of the three channels in nm, such as 450 550 700", Wavelengths},
        {"coefficient_factor", Need::Always, false, false,
         "the factor that turns the instrument's coefficients into 1/Mm; there is no default, so that the "
         "units are never guessed",
         CoefficientFactor},
        {"export", Need::Optional, false, false, "", Export},
        {"outbox", Need::Optional, false, true, "",
         [](StationConfig& c, const std::string& v) { return AbsolutePath(c.outbox, v); }},
        {"upload_url", Need::ForExport, false, true, "the archive's account, sftp://user@host[:port]/folder/",
         UploadUrl},
        {"upload_key", Need::ForExport, false, true, "the private key file of the archive's account",
         UploadKey},
        {"upload_host_key", Need::ForExport, false, true,
         "the server's host key fingerprint, SHA256:... as ssh-keygen -l prints it", HostKey},
    };
    return rules;
}

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

bool HasControlCharacters(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return true;
    return false;
}

std::string LinePrefix(int line) {
    return "line " + std::to_string(line) + ": ";
}

// Reads at most kMaxFileBytes; sets found and adds a problem when the file cannot be read whole.
std::optional<std::string> ReadSmallFile(const std::string& path, StationConfigResult& result) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        result.found = error != ENOENT;
        result.problems.push_back(error == ENOENT ? "The file does not exist."
                                                  : std::string("The file cannot be read (") +
                                                        std::strerror(error) + ").");
        return std::nullopt;
    }
    result.found = true;
    std::string text(kMaxFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxFileBytes) {
        result.problems.push_back("The file is larger than 64 KiB, which no station description is.");
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::string StationConfigPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = config != nullptr && config[0] == '/'
                                 ? config
                                 : std::string(home != nullptr ? home : "") + "/.config";
    return base + "/corvane/station.conf";
}

std::string DefaultOutbox() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const std::string base = state != nullptr && state[0] == '/'
                                 ? state
                                 : std::string(home != nullptr ? home : "") + "/.local/state";
    return base + "/corvane/outbox";
}

StationConfigResult LoadStationConfig(const std::string& path) {
    StationConfigResult result;
    const std::optional<std::string> text = ReadSmallFile(path, result);
    if (!text) return result;

    std::map<std::string, int> firstLine;  // key -> the line that gave it
    std::istringstream lines(*text);
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        const std::string line = Trimmed(raw);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            result.problems.push_back(LinePrefix(number) + "\"" + line +
                                      "\" is not of the form key = value.");
            continue;
        }
        const std::string key = Trimmed(std::string_view(line).substr(0, equals));
        const std::string value = Trimmed(std::string_view(line).substr(equals + 1));
        const auto rule =
            std::find_if(Rules().begin(), Rules().end(), [&](const KeyRule& r) { return key == r.key; });
        if (rule == Rules().end()) {
            result.problems.push_back(LinePrefix(number) + "unknown key \"" + key + "\".");
            continue;
        }
        std::vector<std::string>& problems = rule->upload ? result.uploadProblems : result.problems;
        if (const auto seen = firstLine.find(key); seen != firstLine.end() && !rule->repeatable) {
            problems.push_back(LinePrefix(number) + key + " is given a second time (first on line " +
                               std::to_string(seen->second) + ").");
            continue;
        }
        firstLine.emplace(key, number);
        std::string bad;
        if (value.empty())
            bad = "is empty";
        else if (HasControlCharacters(value))
            bad = "contains control characters";
        else
            bad = rule->apply(result.config, value);
        if (!bad.empty()) problems.push_back(LinePrefix(number) + key + " \"" + value + "\" " + bad + ".");
    }

    StationConfig& config = result.config;
    for (const KeyRule& rule : Rules()) {
        const bool needed = rule.need == Need::Always || (rule.need == Need::ForExport && config.exportOn);
        if (needed && !firstLine.contains(rule.key))
            (rule.upload ? result.uploadProblems : result.problems)
                .push_back(std::string(rule.key) + " is missing: " + rule.meaning + ".");
    }
    const std::vector<std::string> organisation = CommaParts(config.organisation);
    if (!config.organisation.empty() && !config.laboratoryCode.empty() &&
        organisation.front() != config.laboratoryCode)
        result.problems.push_back("organisation begins with \"" + organisation.front() +
                                  "\", not with the laboratory code " + config.laboratoryCode + ".");
    if (config.outbox.empty()) config.outbox = DefaultOutbox();
    return result;
}

std::string StationConfigMessage(const std::string& path, const StationConfigResult& result) {
    std::string message = "The station description " + path +
                          " needs mending; the archive's hourly files stay off until it is:";
    for (const auto* list : {&result.problems, &result.uploadProblems})
        for (const std::string& problem : *list) message += "\n- " + problem;
    return message;
}
