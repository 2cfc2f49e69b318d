// Dating record lines by the T records before them and reading their values.
#include "trend/RecordTimeline.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>

#include "records/Records.h"
#include "records/Status.h"

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kScatterFirstField = 2;  // after the mode field and the mode seconds
constexpr std::size_t kAuxFirstField = 1;      // after the unused first field
constexpr std::size_t kAuxStatusField = 8;

// A field as a number: blanks skipped, then the longest number the field starts with; NaN when it
// starts with none.
double FieldNumber(std::string_view text, bool& bad) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = kMissing;
    const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || !std::isfinite(value)) {
        bad = true;
        return kMissing;
    }
    std::string_view rest(result.ptr, static_cast<std::size_t>(text.data() + text.size() - result.ptr));
    if (rest.find_first_not_of(' ') != std::string_view::npos) bad = true;
    return value;
}

template <std::size_t Columns>
std::array<double, Columns> Numbers(const std::vector<std::string>& fields, std::size_t first, bool& bad) {
    std::array<double, Columns> values;
    for (std::size_t c = 0; c < Columns; ++c)
        values[c] = first + c < fields.size() ? FieldNumber(fields[first + c], bad) : kMissing;
    return values;
}

}  // namespace

std::optional<double> CRecordTimeline::ReadTime(std::string_view line, bool& skippedHour) {
    const auto values = TimeFieldValues(SplitFields(RecordBody(line), kTimeFieldCount));
    if (!values || (*values)[0] < kFirstDatableYear) return std::nullopt;
    const std::array<std::int32_t, kTimeFieldCount>& v = *values;
    const int hourKey = ((v[0] * 13 + v[1]) * 32 + v[2]) * 24 + v[3];
    if (hourKey != m_cachedHourKey) {
        std::tm calendar{};
        calendar.tm_year = v[0] - 1900;
        calendar.tm_mon = v[1] - 1;
        calendar.tm_mday = v[2];
        calendar.tm_hour = v[3];
        calendar.tm_isdst = -1;
        calendar.tm_wday = -1;
        const std::time_t start = std::mktime(&calendar);
        if (calendar.tm_wday == -1) return std::nullopt;
        // A local time that does not exist (the hour skipped when the clocks go forward) comes back
        // an hour later: an instrument on standard time gives two hours of records the same times.
        skippedHour = calendar.tm_hour != v[3];
        m_cachedHourKey = hourKey;
        m_cachedHourStart = static_cast<double>(start);
    }
    return m_cachedHourStart + v[4] * 60 + v[5];
}

std::optional<double> CRecordTimeline::TimeFor(KindState& kind, std::optional<double> fallbackNow) const {
    std::optional<double> time = m_time;
    if (!time) {
        time = fallbackNow;
    } else if (kind.time && kind.timeRecord == m_timeRecords) {
        // No T record since the last record of this kind: one T interval later, when one is known.
        if (m_step <= 0 && !fallbackNow) return std::nullopt;
        time = m_step > 0 ? *kind.time + m_step : std::max(*fallbackNow, *kind.time + 1);
    }
    if (time) {
        kind.time = time;
        kind.timeRecord = m_timeRecords;
    }
    return time;
}

LineOutcome CRecordTimeline::Feed(std::string_view line, TrendData& data, std::optional<double> fallbackNow) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    LineOutcome outcome;
    if (IsIgnoredLine(line)) return outcome;
    if (!IsRecordLetter(line.front()) || line.size() < 2 || line[1] != ',') {
        outcome.problem = "not a record line";
        return outcome;
    }
    const char letter = line.front();
    if (letter == 'T') {
        bool skippedHour = false;
        const std::optional<double> time = ReadTime(line, skippedHour);
        if (!time) {
            outcome.problem = "T record with an invalid time";
        } else {
            if (skippedHour)
                outcome.problem =
                    "T record in the hour skipped when the clocks went forward: its records share the next "
                    "hour's times";
            if (m_time && *time > *m_time) m_step = *time - *m_time;
            m_time = time;
            ++m_timeRecords;
        }
        return outcome;
    }
    if (letter != 'D' && letter != 'Y' && letter != 'Z') return outcome;  // photon records are not plotted

    bool bad = false;
    FieldRecord record;
    std::optional<double> time;
    if (letter == 'D') {
        record = ParseDataRecord(line);
        const auto values = Numbers<kScatterColumns>(record.fields, kScatterFirstField, bad);
        time = TimeFor(m_scatter, fallbackNow);
        const char mode = record.fields.empty() || record.fields[0].empty() ? '\0' : record.fields[0][0];
        if (time)
            data.scatter.Add(*time, values, static_cast<std::uint16_t>(static_cast<unsigned char>(mode)));
    } else if (letter == 'Y') {
        record = ParseAuxRecord(line);
        const auto values = Numbers<kAuxColumns>(record.fields, kAuxFirstField, bad);
        time = TimeFor(m_aux, fallbackNow);
        const std::uint16_t faults =
            record.fields.size() > kAuxStatusField
                ? static_cast<std::uint16_t>(ParseStatusWord(record.fields[kAuxStatusField]) & kFaultBitsMask)
                : 0;
        if (time) data.aux.Add(*time, values, faults);
    } else {
        record = ParseZeroRecord(line);
        time = m_time ? m_time : fallbackNow;
        if (time) data.AddZeroRecord(*time);
    }
    if (!time) {
        outcome.problem = std::string(1, letter) + " record with no T record before it";
        return outcome;
    }
    outcome.added = true;
    outcome.time = *time;
    if (!record.whole)
        outcome.problem = std::string(1, letter) + " record cut short";
    else if (bad)
        outcome.problem = std::string(1, letter) + " record with a value that is not a number";
    return outcome;
}
