// Record lines to archive rows: the time record opens a row, the D and Y records fill it, the Z record
// replaces the zero values that every row from then on carries.
#include "archive/RowAssembler.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "UtcOfLocalTime.h"
#include "records/Records.h"
#include "records/Status.h"

namespace {

constexpr std::size_t kDataFields = 8;
constexpr std::size_t kFirstScatterField = 2;  // fields 3 to 8 of the D record, counted from 0
constexpr std::size_t kStatusField = 8;        // field 9 of the Y record
constexpr std::size_t kMaxStatusDigits = 8;

std::string_view WithoutBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<double> Number(std::string_view text) {
    text = WithoutBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool IsHexWord(std::string_view text) {
    text = WithoutBlanks(text);
    return !text.empty() && text.size() <= kMaxStatusDigits &&
           text.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
}

// The field as a number into value; the first problem of the line is kept.
void TakeNumber(const std::vector<std::string>& fields, std::size_t index, const char* record,
                std::optional<double>& value, std::string& problem) {
    if (index >= fields.size()) return;
    value = Number(fields[index]);
    if (!value && problem.empty())
        problem = std::string(record) + " field " + std::to_string(index + 1) + " \"" + fields[index] +
                  "\" is not a number";
}

std::string Incomplete(const char* record, const FieldRecord& fields, std::size_t count) {
    return std::string("an incomplete ") + record + " (" + std::to_string(fields.fields.size()) + " of " +
           std::to_string(count) + " fields)";
}

}  // namespace

CRowAssembler::Outcome CRowAssembler::AddLine(std::string_view line) {
    Outcome outcome;
    if (IsIgnoredLine(line)) return outcome;
    switch (line.front()) {
        case 'T':
            TakeTime(line, outcome);
            break;
        case 'D':
            TakeData(line, outcome);
            break;
        case 'Y':
            TakeAux(line, outcome);
            break;
        case 'Z':
            TakeZero(line, outcome);
            break;
        case 'B':
        case 'G':
        case 'R':
            break;  // the photon records hold nothing the archive takes
        default:
            outcome.problem = "not a record line";
    }
    return outcome;
}

std::optional<ArchiveRow> CRowAssembler::Flush() {
    const bool hasRow = m_hasData || m_hasAux;
    m_dated = m_hasData = m_hasAux = false;
    if (!hasRow) return std::nullopt;
    m_row.zero = m_zero;
    return std::exchange(m_row, ArchiveRow{});
}

void CRowAssembler::TakeTime(std::string_view line, Outcome& outcome) {
    const std::optional<TimeRecord> record = ParseTimeRecord(line);
    const std::optional<std::time_t> time = record ? UtcOfLocalTime(record->values, m_last) : std::nullopt;
    if (!time) {
        // The records after it cannot be dated: they wait for the next valid time record.
        outcome.finished = Flush();
        outcome.problem = record ? "a time record before 1970" : "a time record incomplete or out of range";
        return;
    }
    m_last = time;
    if (m_dated && *time == m_row.end) return;  // the same averaging period again
    outcome.finished = Flush();
    m_row.end = *time;
    m_dated = true;
}

void CRowAssembler::TakeData(std::string_view line, Outcome& outcome) {
    if (!m_dated || m_hasData) {
        outcome.problem = "a D record without a time record of its own before it";
        return;
    }
    const FieldRecord record = ParseDataRecord(line);
    m_hasData = true;
    m_row.mode = record.fields.empty() || record.fields[0].empty() ? '\0' : record.fields[0].front();
    for (std::size_t i = 0; i < m_row.scatter.size(); ++i)
        TakeNumber(record.fields, kFirstScatterField + i, "D record", m_row.scatter[i], outcome.problem);
    if (!record.whole && outcome.problem.empty())
        outcome.problem = Incomplete("D record", record, kDataFields);
}

void CRowAssembler::TakeAux(std::string_view line, Outcome& outcome) {
    if (!m_dated || m_hasAux) {
        outcome.problem = "a Y record without a time record of its own before it";
        return;
    }
    const FieldRecord record = ParseAuxRecord(line);
    m_hasAux = true;
    TakeNumber(record.fields, 1, "Y record", m_row.pressure, outcome.problem);
    TakeNumber(record.fields, 2, "Y record", m_row.sampleTemperature, outcome.problem);
    TakeNumber(record.fields, 3, "Y record", m_row.inletTemperature, outcome.problem);
    TakeNumber(record.fields, 4, "Y record", m_row.humidity, outcome.problem);
    if (!record.whole) {
        if (outcome.problem.empty()) outcome.problem = Incomplete("Y record", record, kStatusField + 1);
        return;
    }
    const std::string& status = record.fields[kStatusField];
    if (IsHexWord(status))
        m_row.statusWord = ParseStatusWord(status);
    else if (outcome.problem.empty())
        outcome.problem = "Y record status word \"" + status + "\" is not hexadecimal";
}

void CRowAssembler::TakeZero(std::string_view line, Outcome& outcome) {
    // The last zero values hold from now until the next zero record, whatever the time.
    const FieldRecord record = ParseZeroRecord(line);
    m_zero = {};
    for (std::size_t i = 0; i < m_zero.size(); ++i)
        TakeNumber(record.fields, i, "Z record", m_zero[i], outcome.problem);
    if (!record.whole && outcome.problem.empty())
        outcome.problem = Incomplete("Z record", record, m_zero.size());
}
