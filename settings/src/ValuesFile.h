// The text form of one settings key's values, in the manner of a registry export:
//   "COMM_PORT"=dword:00000003
//   "LOGPATH"="/home/op/data/"
// Quotes, backslashes and line breaks inside names and texts are escaped with a backslash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct StoredValue {
    bool bString = false;
    std::uint32_t dwValue = 0;  // a 32-bit value, when not a string
    std::string strText;        // a string's text, without its terminating NUL

    // The value's data as the registry holds it: 4 little-endian bytes, or the text and a NUL.
    std::string Bytes() const;
    bool operator==(const StoredValue&) const = default;
};

// Values in file order; names are unique.
using ValueList = std::vector<std::pair<std::string, StoredValue>>;

// Reads the values of a file's text. A line that is not a well-formed value is skipped, so only
// the values on damaged lines are lost; a later line with the same name replaces an earlier one.
ValueList ParseValuesFile(std::string_view text);
std::string FormatValuesFile(const ValueList& values);

// Sets or adds one value, keeping the order of the others.
void SetValue(ValueList& values, const std::string& name, const StoredValue& value);
const StoredValue* FindValue(const ValueList& values, std::string_view name);
