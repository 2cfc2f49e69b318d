// CDataLog: the data log files of a run. The log folder and file name, the day of the last date
// check, the default name from a date, the name carried to the next date, and the append of one
// line (one open, append and close per line, other writers kept out while it is open).
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

class CDataLog {
public:
    // Log lengths as the Setup page remembers them.
    static constexpr std::uint16_t kDaily = 0;
    static constexpr std::uint16_t kWeekly = 1;

    std::string m_strLogPath;  // ends with "/"
    std::string m_strLogFile;  // file name without folder
    std::uint16_t m_nLogDay = 0;

    // "CV%02d%02d%02d.dat" for the local date of t.
    static std::string DefaultFileName(std::time_t t);
    void MakeLogFileName(std::time_t referenceTime);
    void StartNewLogFile(std::time_t referenceTime);
    // The date check: true when the day of month of t differs from m_nLogDay (which then takes it).
    bool DayChanged(std::time_t referenceTime);
    // The date check of one line: a new file when the day changed, for daily logs on any day and for
    // weekly logs on a Sunday. True when a new file name was taken.
    bool RollOver(std::time_t referenceTime, std::uint16_t logLength);

    // Sets the folder; a trailing backslash becomes "/" and a missing final "/" is added.
    void SetLogFolder(const std::string& folder);
    // Splits a chosen full path into the folder (up to its last "/") and the file name.
    void SetLogFilePath(const std::string& fullPath);
    std::string FullPath() const { return m_strLogPath + m_strLogFile; }

    // Appends text + CR LF to m_strLogPath + m_strLogFile. False when the file cannot be opened or
    // the write fails (disk full); errno tells why. A failed write leaves the file as it was, so it
    // never holds part of a line.
    bool AppendLine(const std::string& text) const;
};

// Which records the instrument sends unasked, for the log-size estimate.
struct LogContent {
    std::uint16_t nModel = 2;  // 0 "7810", 1 "7830", 2 "Unknown"
    bool bTime = false;
    bool bData = false;
    bool bPhoton = false;
    bool bAux = false;
    bool bZero = false;
};

// The largest daily log size, in bytes, that still allows weekly files.
inline constexpr std::int64_t kLargestDailyLogForWeekly = 2097152;

// Bytes one day of logging takes with the averaging time and auto zero period as the instrument
// reports them (whole seconds, decimal rule). Nothing when either of them reads as 0.
std::optional<std::int64_t> EstimateDailyLogBytes(std::string_view averagingTime,
                                                  std::string_view autoZeroPeriod, const LogContent& content);
