// Parsing and writing the text form of a key's values.
#include "ValuesFile.h"

#include "base/HexDigits.h"

namespace {

constexpr std::string_view kHeader =
    "; Corvane settings key. One value per line: \"NAME\"=dword:<8 hex digits> or \"NAME\"=\"text\"\n";
constexpr std::string_view kDwordPrefix = "dword:";
constexpr char kHexDigits[] = "0123456789abcdef";

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    out += '"';
    return out;
}

// Reads a quoted text at the start of rest and removes it from rest; nothing when malformed.
std::optional<std::string> TakeQuoted(std::string_view& rest) {
    if (rest.empty() || rest.front() != '"') {
        return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 1; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '"') {
            rest.remove_prefix(i + 1);
            return text;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++i == rest.size()) {
            break;
        }
        switch (rest[i]) {
            case '"':
            case '\\':
                text += rest[i];
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        const std::optional<std::uint32_t> digit = HexDigitValue(c);
        if (!digit) {
            return std::nullopt;
        }
        value = (value << 4) | *digit;
    }
    return value;
}

std::optional<std::pair<std::string, StoredValue>> ParseLine(std::string_view line) {
    std::optional<std::string> name = TakeQuoted(line);
    if (!name || line.empty() || line.front() != '=') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    StoredValue value;
    if (line.starts_with(kDwordPrefix)) {
        const std::optional<std::uint32_t> number = ParseHex(line.substr(kDwordPrefix.size()));
        if (!number) {
            return std::nullopt;
        }
        value.dwValue = *number;
    } else {
        std::optional<std::string> text = TakeQuoted(line);
        // A registry string ends at its NUL, so a text holding one is not a value we wrote.
        if (!text || !line.empty() || text->find('\0') != std::string::npos) {
            return std::nullopt;
        }
        value.bString = true;
        value.strText = std::move(*text);
    }
    return std::make_pair(std::move(*name), std::move(value));
}

std::string FormatValue(const StoredValue& value) {
    if (value.bString) {
        return Quoted(value.strText);
    }
    std::string out(kDwordPrefix);
    for (int shift = 28; shift >= 0; shift -= 4) {
        out += kHexDigits[(value.dwValue >> shift) & 0xF];
    }
    return out;
}

}  // namespace

std::string StoredValue::Bytes() const {
    if (bString) {
        return strText + '\0';
    }
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((dwValue >> (8 * i)) & 0xFF);
    }
    return bytes;
}

ValueList ParseValuesFile(std::string_view text) {
    ValueList values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (auto entry = ParseLine(line)) {
            SetValue(values, entry->first, entry->second);
        }
    }
    return values;
}

std::string FormatValuesFile(const ValueList& values) {
    std::string text(kHeader);
    for (const auto& [name, value] : values) {
        text += Quoted(name) + "=" + FormatValue(value) + "\n";
    }
    return text;
}

void SetValue(ValueList& values, const std::string& name, const StoredValue& value) {
    for (auto& entry : values) {
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    }
    values.emplace_back(name, value);
}

const StoredValue* FindValue(const ValueList& values, std::string_view name) {
    for (const auto& entry : values) {
        if (entry.first == name) {
            return &entry.second;
        }
    }
    return nullptr;
}
