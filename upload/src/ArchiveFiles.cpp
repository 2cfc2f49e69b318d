// Archive file names read, and the outbox listed oldest first.
#include "upload/ArchiveFiles.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <tuple>

namespace {

constexpr std::string_view kSuffix = ".nas";
constexpr std::size_t kStartDigits = 14;

bool AllOf(std::string_view text, int (*test)(int)) {
    return std::all_of(text.begin(), text.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)); });
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

// "20261206130000" as UTC seconds; nothing for a time that does not exist (month 13, 30 February).
std::optional<std::int64_t> StartTime(std::string_view digits) {
    if (digits.size() != kStartDigits || !AllOf(digits, isdigit)) return std::nullopt;
    std::tm fields{};
    fields.tm_year = Number(digits.substr(0, 4)) - 1900;
    fields.tm_mon = Number(digits.substr(4, 2)) - 1;
    fields.tm_mday = Number(digits.substr(6, 2));
    fields.tm_hour = Number(digits.substr(8, 2));
    fields.tm_min = Number(digits.substr(10, 2));
    fields.tm_sec = Number(digits.substr(12, 2));
    const std::tm asked = fields;
    const std::time_t start = timegm(&fields);  // normalises the fields: a changed one did not exist
    if (std::tie(asked.tm_year, asked.tm_mon, asked.tm_mday, asked.tm_hour, asked.tm_min, asked.tm_sec) !=
        std::tie(fields.tm_year, fields.tm_mon, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec))
        return std::nullopt;
    return start;
}

}  // namespace

std::optional<ArchiveFileName> ReadArchiveFileName(std::string_view name) {
    if (!name.ends_with(kSuffix)) return std::nullopt;
    const std::size_t stationEnd = name.find('.');
    const std::size_t startEnd = name.find('.', stationEnd + 1);
    const std::string_view station = name.substr(0, stationEnd);
    if (station.empty() || !AllOf(station, isalnum) || startEnd == std::string_view::npos)
        return std::nullopt;
    const auto start = StartTime(name.substr(stationEnd + 1, startEnd - stationEnd - 1));
    if (!start) return std::nullopt;
    return ArchiveFileName{std::string(name.substr(0, startEnd)), *start};
}

std::vector<PendingFile> ListOutbox(const std::filesystem::path& folder, std::string& error) {
    std::vector<PendingFile> files;
    std::error_code code;
    std::filesystem::directory_iterator entry(folder, code);
    if (code == std::errc::no_such_file_or_directory) return files;
    for (; !code && entry != std::filesystem::directory_iterator(); entry.increment(code)) {
        std::error_code typeCode;
        if (!entry->is_regular_file(typeCode)) continue;
        std::string name = entry->path().filename().string();
        if (const auto archive = ReadArchiveFileName(name))
            files.push_back({entry->path(), std::move(name), archive->start});
    }
    if (code) error = "The outbox " + folder.string() + " cannot be read: " + code.message() + ".";
    std::sort(files.begin(), files.end(), [](const PendingFile& a, const PendingFile& b) {
        return std::tie(a.start, a.name) < std::tie(b.start, b.name);
    });
    return files;
}
