// The record stream's readings, counts, status word and coefficient history, kept for the server.
#include "health/RecordTally.h"

#include <charconv>
#include <cmath>

#include "records/Records.h"
#include "records/Status.h"

namespace {

constexpr std::array<ReadingInfo, kReadingCount> kReadings = {{
    {"total_blue", "Total scatter, blue", ""},
    {"total_green", "Total scatter, green", ""},
    {"total_red", "Total scatter, red", ""},
    {"back_blue", "Backscatter, blue", ""},
    {"back_green", "Backscatter, green", ""},
    {"back_red", "Backscatter, red", ""},
    {"pressure", "Inlet pressure", "mbar"},
    {"sample_temperature", "Sample temperature", "K"},
    {"inlet_temperature", "Inlet temperature", "K"},
    {"humidity", "Relative humidity", "%"},
}};

// Where a record kind's fields hold readings: the field's index (from 0) and its reading.
struct FieldReading {
    std::size_t field;
    Reading reading;
};
constexpr FieldReading kDataFields[] = {{2, Reading::TotalBlue}, {3, Reading::TotalGreen},
                                        {4, Reading::TotalRed},  {5, Reading::BackBlue},
                                        {6, Reading::BackGreen}, {7, Reading::BackRed}};
constexpr FieldReading kAuxFields[] = {{1, Reading::Pressure},
                                       {2, Reading::SampleTemperature},
                                       {3, Reading::InletTemperature},
                                       {4, Reading::Humidity}};
constexpr FieldReading kPhotonFields[] = {{8, Reading::Pressure}, {9, Reading::SampleTemperature}};
constexpr std::size_t kStatusWordField = 8;

std::int64_t MinuteOf(CRecordTally::TimePoint time) {
    return std::chrono::floor<std::chrono::minutes>(time.time_since_epoch()).count();
}

}  // namespace

const ReadingInfo& InfoOf(Reading reading) {
    return kReadings[static_cast<std::size_t>(reading)];
}

std::optional<double> ReadValue(std::string_view text, int exponent10) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc()) return std::nullopt;
    if (exponent10 == 0) return value;
    // The decimal point moved in the text itself, so that the one rounding is the reading's.
    std::string scaled(text.data(), end);
    if (scaled.find_first_of("eE") != std::string::npos) return value * std::pow(10.0, exponent10);
    scaled += 'e' + std::to_string(exponent10);
    std::from_chars(scaled.data(), scaled.data() + scaled.size(), value);
    return value;
}

void CRecordTally::Add(const ReceivedRecord& record) {
    const char letter = record.Letter();
    if (!IsRecordLetter(letter)) return;
    LetterTally& tally = m_letters[letter];
    ++tally.count;
    tally.last = record.arrival;

    const auto take = [&](const auto& table) {
        for (const FieldReading& f : table)
            if (f.field < record.fields.size()) SetLatest(f.reading, record.fields[f.field], record.arrival);
    };
    if (letter == 'D') {
        take(kDataFields);
        std::array<std::optional<double>, kCoefficientCount> values;
        for (std::size_t i = 0; i < kCoefficientCount; ++i)
            if (kDataFields[i].field < record.fields.size())
                values[i] = ReadValue(record.fields[kDataFields[i].field]);
        AddToHistory(values, record.arrival);
    } else if (letter == 'Y') {
        take(kAuxFields);
        if (record.whole)
            m_status = StatusWord{ParseStatusWord(record.fields[kStatusWordField]), record.arrival};
    } else if (letter == 'B' || letter == 'G' || letter == 'R') {
        // Both values need the record's last comma, so they come only with a whole record.
        take(kPhotonFields);
    }
}

CRecordTally::LetterTally CRecordTally::Letter(char letter) const {
    const auto it = m_letters.find(letter);
    return it == m_letters.end() ? LetterTally{} : it->second;
}

void CRecordTally::SetLatest(Reading reading, const std::string& text, TimePoint time) {
    m_latest[static_cast<std::size_t>(reading)] = Value{text, time};
}

void CRecordTally::AddToHistory(const std::array<std::optional<double>, kCoefficientCount>& values,
                                TimePoint time) {
    const std::int64_t minute = MinuteOf(time);
    MinuteSums& sums = m_minutes[minute];
    for (std::size_t i = 0; i < kCoefficientCount; ++i)
        if (values[i] && std::isfinite(*values[i])) {
            sums.sums[i] += *values[i];
            ++sums.counts[i];
        }
    // The day up to the newest record: minutes ahead of it (a clock set back) go as well.
    const std::int64_t span = std::chrono::minutes(kHistorySpan).count();
    m_minutes.erase(m_minutes.begin(), m_minutes.lower_bound(minute - span + 1));
    m_minutes.erase(m_minutes.upper_bound(minute), m_minutes.end());
}

std::vector<CRecordTally::ChartPoint> CRecordTally::History() const {
    std::vector<ChartPoint> points;
    points.reserve(m_minutes.size());
    for (const auto& [minute, sums] : m_minutes) {
        ChartPoint point{TimePoint(std::chrono::minutes(minute)), {}};
        for (std::size_t i = 0; i < kCoefficientCount; ++i)
            point.means[i] = sums.counts[i] ? sums.sums[i] / sums.counts[i] : std::nan("");
        points.push_back(point);
    }
    return points;
}
