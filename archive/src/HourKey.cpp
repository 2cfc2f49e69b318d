// Hour keys and the file names they begin.
#include "archive/HourKey.h"

#include <filesystem>
#include <regex>

std::string UtcText(std::time_t time, const char* format) {
    std::tm calendar{};
    gmtime_r(&time, &calendar);
    char text[64];
    std::strftime(text, sizeof text, format, &calendar);
    return text;
}

std::string HourKey::Id() const {
    return station + '.' + UtcText(start, "%Y%m%d%H%M%S");
}

std::optional<HourKey> HourKeyOfFileName(std::string_view name) {
    static const std::regex kHourlyFile(
        R"(([A-Z]{2}[0-9]{4}[A-Z])\.(\d{4})(\d{2})(\d{2})(\d{2})0000\..*\.1h\..*\.nas)");
    std::cmatch m;
    if (!std::regex_match(name.begin(), name.end(), m, kHourlyFile)) return std::nullopt;
    std::tm calendar{};
    calendar.tm_year = std::stoi(m[2]) - 1900;
    calendar.tm_mon = std::stoi(m[3]) - 1;
    calendar.tm_mday = std::stoi(m[4]);
    calendar.tm_hour = std::stoi(m[5]);
    HourKey key{m[1], timegm(&calendar)};
    // A name whose date does not exist is not one of ours.
    if (key.Id() != std::string(name.substr(0, key.Id().size()))) return std::nullopt;
    return key;
}

bool OutboxHoldsHour(const std::string& outbox, const HourKey& key) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(outbox, error)) {
        const std::optional<HourKey> held = HourKeyOfFileName(entry.path().filename().string());
        if (held && *held == key && entry.is_regular_file(error)) return true;
    }
    return false;
}
