// The archive's file names as the upload reads them ("<station>.<start YYYYMMDDhhmmss>.<...>.nas") and
// the files waiting in the outbox. Plain C++; used by the outbox uploader and the sent-list.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ArchiveFileName {
    std::string hourKey;  // station code and start time, the name's first two dot-separated parts
    std::int64_t start;   // the start time, UTC, in seconds since 1970
};

// The hour key and start of an archive file's name; nothing for any other name (the writer's
// temporary files, hidden files, a start that is not a date and time).
std::optional<ArchiveFileName> ReadArchiveFileName(std::string_view name);

struct PendingFile {
    std::filesystem::path path;
    std::string name;
    std::int64_t start;
};

// The archive files in the outbox, oldest start first (the name decides between equal starts). A
// folder that does not exist yet holds none; a folder that cannot be read sets error.
std::vector<PendingFile> ListOutbox(const std::filesystem::path& folder, std::string& error);
