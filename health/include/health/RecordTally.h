// What the health server keeps from the record stream: the latest value of each reading with its
// time, per record letter the count and the last arrival, the status word, and a day of the six
// scattering coefficients as one mean a minute for the chart. Plain C++; fed on the server's thread.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "run/ReceivedRecord.h"

// The readings shown and exported, in the order of the page.
enum class Reading {
    TotalBlue,
    TotalGreen,
    TotalRed,
    BackBlue,
    BackGreen,
    BackRed,
    Pressure,
    SampleTemperature,
    InletTemperature,
    Humidity,
};
inline constexpr std::size_t kReadingCount = 10;
inline constexpr std::size_t kCoefficientCount = 6;  // the first six readings

struct ReadingInfo {
    const char* key;    // as status.json names it
    const char* label;  // as the page shows it
    const char* unit;   // as the instrument's page labels it; empty for the coefficients
};
const ReadingInfo& InfoOf(Reading reading);

class CRecordTally {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    // The chart keeps this much, one point a minute.
    static constexpr std::chrono::hours kHistorySpan{24};

    struct Value {
        std::string text;  // as the instrument sent it
        TimePoint time;    // the arrival of its record
    };
    struct LetterTally {
        std::uint64_t count = 0;
        std::optional<TimePoint> last;
    };
    struct StatusWord {
        std::int32_t word = 0;
        TimePoint time;
    };
    // The mean of each coefficient over one minute; NaN where none of its values read as a number.
    struct ChartPoint {
        TimePoint minute;
        std::array<double, kCoefficientCount> means;
    };

    // Takes the values a record carries, as far as its fields go: a D, Y, Z or photon record that
    // stops early still gives the fields before the stop; a Y record's status word and a photon
    // record's values only when whole.
    void Add(const ReceivedRecord& record);

    const std::optional<Value>& Latest(Reading reading) const {
        return m_latest[static_cast<std::size_t>(reading)];
    }
    // For each letter of kRecordLetters; a zero tally for any other.
    LetterTally Letter(char letter) const;
    const std::optional<StatusWord>& Status() const { return m_status; }
    // The minutes of the last kHistorySpan before the newest record, oldest first.
    std::vector<ChartPoint> History() const;

private:
    struct MinuteSums {
        std::array<double, kCoefficientCount> sums{};
        std::array<std::uint32_t, kCoefficientCount> counts{};
    };
    void SetLatest(Reading reading, const std::string& text, TimePoint time);
    void AddToHistory(const std::array<std::optional<double>, kCoefficientCount>& values, TimePoint time);

    std::array<std::optional<Value>, kReadingCount> m_latest;
    std::map<char, LetterTally> m_letters;
    std::optional<StatusWord> m_status;
    // Keyed by minutes since the epoch; at most one day's minutes.
    std::map<std::int64_t, MinuteSums> m_minutes;
};

// The number at the start of a value's text, times 10^exponent10, with no rounding beyond the
// final one (so "45.3" at -2 is 0.453 exactly as the text would give it). Nothing when the text
// does not start with a number; leading blanks are skipped.
std::optional<double> ReadValue(std::string_view text, int exponent10 = 0);
