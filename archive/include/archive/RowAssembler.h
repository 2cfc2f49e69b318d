// CRowAssembler: record lines, in the order they arrived, turned into the rows of the archive's files. A T
// record dates the records after it; the D and Y records under one time make one row, one averaging
// period. Used by the hourly writer of a run and by corvane-export.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

struct ArchiveRow {
    // UTC: the time record's instrument time, which is when the averaging period ended.
    std::time_t end = 0;
    char mode = '\0';  // the D record's mode letter ('N', 'B', 'Z'); '\0' without a D record
    // Total scatter Blue, Green, Red, then backscatter Blue, Green, Red, in the instrument's units.
    std::array<std::optional<double>, 6> scatter;
    std::optional<double> pressure;           // hPa
    std::optional<double> sampleTemperature;  // K
    std::optional<double> inletTemperature;   // K
    std::optional<double> humidity;           // %
    std::optional<std::int32_t> statusWord;
    // The last zero record so far: total, back and Rayleigh scatter, each Blue, Green, Red; instrument units.
    std::array<std::optional<double>, 9> zero;
};

class CRowAssembler {
public:
    struct Outcome {
        std::optional<ArchiveRow> finished;  // the row that this line's time record closed
        std::string problem;  // what in the line could not be used, one phrase; empty when all was used
    };
    Outcome AddLine(std::string_view line);
    // The row still open (its records are in, its successor's time record is not).
    std::optional<ArchiveRow> Flush();
    // The newest valid time record's time (UTC).
    std::optional<std::time_t> LastTime() const { return m_last; }

private:
    void TakeTime(std::string_view line, Outcome& outcome);
    void TakeData(std::string_view line, Outcome& outcome);
    void TakeAux(std::string_view line, Outcome& outcome);
    void TakeZero(std::string_view line, Outcome& outcome);

    ArchiveRow m_row;                   // the row being filled
    bool m_dated = false;               // a valid time record dates the records that come now
    bool m_hasData = false;             // m_row holds a D record
    bool m_hasAux = false;              // m_row holds a Y record
    std::optional<std::time_t> m_last;  // the newest time record's UTC time
    std::array<std::optional<double>, 9> m_zero;
};
