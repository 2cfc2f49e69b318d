// Cutting instrument lines into a body and fields, and the decimal rule for numeric fields.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "records/Records.h"

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool IsRecordLetter(char letter) {
    return letter != '\0' && kRecordLetters.find(letter) != std::string_view::npos;
}

bool IsIgnoredLine(std::string_view line) {
    return line.empty() || line == "ERROR";
}

std::int32_t ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing it once it is past every 32-bit
    // limit, so any number of digits saturates instead of overflowing.
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (magnitude < kCap) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-std::min(magnitude, kCap));
    }
    return static_cast<std::int32_t>(std::min(magnitude, kCap - 1));
}

std::string_view RecordBody(std::string_view line) {
    return line.size() < 2 ? std::string_view{} : line.substr(2);
}

std::vector<std::string> SplitFields(std::string_view body, std::size_t fieldCount) {
    std::vector<std::string> fields;
    if (fieldCount == 0) {
        return fields;
    }
    fields.reserve(fieldCount);
    std::string_view rest = body;
    while (fields.size() + 1 < fieldCount) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) {
            return fields;
        }
        fields.emplace_back(rest.substr(0, comma));
        rest.remove_prefix(comma + 1);
    }
    fields.emplace_back(rest);
    return fields;
}
