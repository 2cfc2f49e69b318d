// The simulated instrument's command set.
#include "sim/CommandInterpreter.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr std::string_view kOk = "OK";
constexpr std::string_view kError = "ERROR";
constexpr std::string_view kClockCommand = "STT";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A value of decimal digits only, at least one; nothing when it holds anything else or exceeds
// 32 bits.
std::optional<std::uint32_t> ParseValue(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// "yyyy,mm,dd,hh,mm,ss": a four-digit year, then fields of one or two digits, naming a real moment.
std::optional<CalendarTime> ParseClockText(std::string_view text) {
    std::array<int, 6> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t comma = i + 1 < fields.size() ? text.find(',') : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const std::string_view field = text.substr(0, comma);
        const bool widthOk = i == 0 ? field.size() == 4 : field.size() == 1 || field.size() == 2;
        const std::optional<std::uint32_t> value = ParseValue(field);
        if (!widthOk || !value) return std::nullopt;
        fields[i] = static_cast<int>(*value);
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    const CalendarTime time{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    if (!IsValidCalendarTime(time)) return std::nullopt;
    return time;
}

}  // namespace

CommandInterpreter::CommandInterpreter(InstrumentModel& model, std::set<std::string> refused)
    : m_model(model), m_refused(std::move(refused)) {}

std::string CommandInterpreter::Execute(std::string_view command, InstrumentModel::TimePoint now) {
    if (command.empty()) return {};
    if (command == "UE" || command == "UB") {
        m_model.SetUnpolled(command == "UB");
        return std::string(kOk);
    }
    if (command == "SD0") return std::string(kOk);
    if (command == "Z") {
        m_model.StartZero();
        return std::string(kOk);
    }
    if (command == "RV") return std::string(kVersionText);
    if (command == "RT") return m_model.TimeRecord();
    if (command == "RD") return m_model.DataRecord();
    if (command == "RY") return m_model.AuxRecord();
    if (command == "RZ") return m_model.ZeroRecord();
    if (command.starts_with(kClockCommand)) return SetClock(command.substr(kClockCommand.size()), now);
    return QueryOrSet(command);
}

std::string CommandInterpreter::SetClock(std::string_view text, InstrumentModel::TimePoint now) {
    const std::optional<CalendarTime> time = ParseClockText(text);
    if (!time || m_refused.contains(std::string(kClockCommand))) return std::string(kError);
    m_model.SetClock(*time, now);
    return std::string(kOk);
}

std::string CommandInterpreter::QueryOrSet(std::string_view command) {
    // Setting names are two or three letters; the value, if any, follows directly.
    std::size_t nameLength = 0;
    while (nameLength < command.size() && !IsDigit(command[nameLength])) ++nameLength;
    const std::string_view name = command.substr(0, nameLength);
    const std::optional<Setting> setting = SettingByName(name);
    if (!setting) return std::string(kError);
    if (nameLength == command.size()) return std::to_string(m_model.Config().Get(*setting));

    const std::optional<std::uint32_t> value = ParseValue(command.substr(nameLength));
    if (!value || m_refused.contains(std::string(name)) || !m_model.ChangeSetting(*setting, *value))
        return std::string(kError);
    return std::string(kOk);
}
