// CHourlyArchive: a run's record lines turned into one archive file per hour in the outbox, written when a
// record of a later hour arrives or when the hour's grace has passed. Fed by one thread, a listener of the
// run's record stream; not thread-safe.
//
// At start, feed it the lines of the recent log files before the live ones: an hour that a killed or stopped
// program left unwritten is then written from the log, and the "already done?" question keeps an hour that
// is in the outbox or was sent from being written twice.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "archive/ArchiveFile.h"
#include "archive/HourKey.h"
#include "archive/RowAssembler.h"
#include "archive/StationConfig.h"

class CHourlyArchive {
public:
    // True when the hour needs no file: it is in the outbox, or the uploader has sent it.
    using HourDone = std::function<bool(const HourKey&)>;

    // How long after the end of an hour its records may still come.
    static constexpr std::chrono::seconds kGrace{300};
    // Files that could not be written are kept for retries, at most this many hours of them.
    static constexpr std::size_t kMaxUnwritten = 48;
    static constexpr std::chrono::seconds kRetryInterval{60};

    // averaging: the instrument's averaging time (more than zero).
    CHourlyArchive(StationConfig station, std::chrono::seconds averaging, HourDone done,
                   std::chrono::seconds grace = kGrace);

    // The PC's clock now (UTC). Call it before the lines of each batch, and from a timer (once a minute)
    // while none come: the hour whose grace has passed is written then, and failed writes are retried.
    void SetClock(std::time_t now);
    // One record line, without its CR, in the order the lines arrived.
    void AddLine(std::string_view line);
    // The instrument's averaging time has changed (a new run, or a reconnect, found another). A file holds
    // one averaging time: the open hour is written now with the rows it has, and the rows of the new
    // averaging time that still fall into it are only in the log.
    void ChangeAveraging(std::chrono::seconds averaging);

    struct Counts {
        std::uint64_t filesWritten = 0;
        std::uint64_t emptyHours = 0;     // hours that passed without a record
        std::uint64_t writeFailures = 0;  // attempts that failed
        std::uint64_t linesUnread = 0;    // lines, or parts of them, that could not be used
        std::uint64_t recordsLate = 0;    // rows that came after their hour's file was written
        std::optional<std::time_t> lastHourWritten;
    };
    const Counts& GetCounts() const { return m_counts; }

private:
    void Place(ArchiveRow row);
    void CloseOpenHour();
    void NoteEmptyHours(std::time_t from, std::time_t to);
    void Write(ArchiveFile file, std::time_t hour);
    void RetryUnwritten();
    std::optional<std::time_t> InstrumentNow() const;

    StationConfig m_station;
    std::chrono::seconds m_averaging;
    HourDone m_done;
    std::chrono::seconds m_grace;
    CRowAssembler m_assembler;

    std::time_t m_pcNow = 0;
    // The newest time record's instrument time and the PC's time when it came: the instrument's clock now.
    std::optional<std::time_t> m_lastInstrumentTime;
    std::time_t m_pcAtLastInstrumentTime = 0;

    std::optional<std::time_t> m_nextHour;  // every earlier hour is closed
    std::vector<ArchiveRow> m_rows;         // of the open hour, m_nextHour, once a row of it came
    std::uint64_t m_unreadSinceClose = 0;
    std::string m_firstUnread;  // the first of them, for the journal
    std::uint64_t m_lateSinceClose = 0;
    std::optional<std::time_t> m_cutByAveraging;  // the hour a new averaging time closed early

    struct Unwritten {
        ArchiveFile file;
        std::time_t hour;
    };
    std::deque<Unwritten> m_unwritten;
    std::time_t m_lastRetry = 0;
    Counts m_counts;
};
