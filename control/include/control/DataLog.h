// CDataLog: the data log files of a run. The log folder and file name, the day of the last date
// check, the default name from a date, the name carried to the next date, and the append of one
// line (one open, append and close per line, other writers kept out while it is open).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

class CDataLog {
public:
    std::string m_strLogPath;  // ends with "/"
    std::string m_strLogFile;  // file name without folder
    std::uint16_t m_nLogDay = 0;

    // "CV%02d%02d%02d.dat" for the local date of t.
    static std::string DefaultFileName(std::time_t t);
    void MakeLogFileName(std::time_t referenceTime);
    void StartNewLogFile(std::time_t referenceTime);
    // The date check: true when the day of month of t differs from m_nLogDay (which then takes it).
    bool DayChanged(std::time_t referenceTime);
    // Appends text + CR LF to m_strLogPath + m_strLogFile. False when the file cannot be opened or
    // the write fails (disk full); errno tells why.
    bool AppendLine(const std::string& text) const;
};
