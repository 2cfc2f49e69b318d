// Instrument record lines: how a line is cut into fields, the T record's checks and the texts and
// times derived from it. Pure text handling, used by the Data page and the log files.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Record letters that have a handler (and a queue in the serial link).
inline constexpr std::string_view kRecordLetters = "DTBGRYZ";
bool IsRecordLetter(char letter);

// An empty line or exactly "ERROR" is ignored by every record handler.
bool IsIgnoredLine(std::string_view line);

// The decimal rule: leading white space, optional sign, decimal digits up to the first other
// character; no digits gives 0. Saturates at the 32-bit limits instead of overflowing.
std::int32_t ParseDecimal(std::string_view text);

// The line from its third character on (the letter and the comma after it are dropped).
std::string_view RecordBody(std::string_view line);

// Fields of a record kind with fieldCount fields: the fields found before the first missing comma;
// the last field is the rest of the body, commas included.
std::vector<std::string> SplitFields(std::string_view body, std::size_t fieldCount);

// Year, month, day, hour, minute and second.
inline constexpr std::size_t kTimeFieldCount = 6;
// Earliest year the local-time conversion and the log file dates are trusted with.
inline constexpr std::int32_t kFirstDatableYear = 1970;

// The six time fields of a T record by the decimal rule, each checked on the full number against
// its range (so a negative or a huge value fails rather than wrapping); nothing when one is
// missing or out of range.
std::optional<std::array<std::int32_t, kTimeFieldCount>> TimeFieldValues(
    const std::vector<std::string>& fields);

struct TimeRecord {
    std::array<std::string, kTimeFieldCount> fields;    // year, month, day, hour, minute, second as received
    std::array<std::uint16_t, kTimeFieldCount> values;  // the same, by the decimal rule
    std::string lastDataTimeText;                       // for example "05-09-20 14:30:07"
    // Absent for a year before 1970 (an unset clock's two-digit year): the caller keeps its
    // previous instrument time, so log files are never dated by it.
    std::optional<std::time_t> instrumentTime;
};
// Nothing for an ignored, incomplete or out-of-range T record.
std::optional<TimeRecord> ParseTimeRecord(std::string_view line);

struct FieldRecord {
    std::vector<std::string> fields;  // the fields found, in table order
    bool whole = false;               // every field of the kind was found
};
FieldRecord ParseDataRecord(std::string_view line);    // 8 fields
FieldRecord ParseAuxRecord(std::string_view line);     // 9 fields, the last is the status word
FieldRecord ParseZeroRecord(std::string_view line);    // 9 fields
FieldRecord ParsePhotonFields(std::string_view line);  // 10 fields, B, G and R alike

struct PhotonRecord {
    std::string pressure;           // field 9
    std::string sampleTemperature;  // field 10, the rest
};
// Only a whole B, G or R record gives a result.
std::optional<PhotonRecord> ParsePhotonRecord(std::string_view line);
