// Hours of a run: rows collected for the open hour, the hour closed by a later row or by its grace, its
// file written into the outbox unless it is already done, and every gap and failure journaled.
#include "archive/HourlyArchive.h"

#include <algorithm>

#include "archive/AtomicFile.h"
#include "archive/HourKey.h"
#include "station/EventJournal.h"

namespace {

constexpr std::size_t kQuotedLineLength = 80;  // of a line that could not be used, in the journal

std::string HourText(std::time_t hour) {
    return UtcText(hour, "%Y-%m-%dT%H:%MZ");
}

}  // namespace

CHourlyArchive::CHourlyArchive(StationConfig station, std::chrono::seconds averaging, HourDone done,
                               std::chrono::seconds grace)
    : m_station(std::move(station)), m_averaging(averaging), m_done(std::move(done)), m_grace(grace) {
    if (const std::size_t removed = RemovePartialFiles(m_station.outbox); removed > 0)
        JournalEvent("archive-partial-removed",
                     std::to_string(removed) + " partial file(s) that a stopped program left in " +
                         m_station.outbox + "; their hours are written again from the log");
}

void CHourlyArchive::SetClock(std::time_t now) {
    m_pcNow = now;
    RetryUnwritten();
    const std::optional<std::time_t> instrumentNow = InstrumentNow();
    const auto graceOver = [&](std::time_t hour) {
        return hour + kHour.count() + m_grace.count() <= *instrumentNow;
    };
    if (!instrumentNow || !m_nextHour || !graceOver(*m_nextHour)) return;
    // No record of a later hour came: the instrument has gone quiet, so its last row is all there is.
    if (std::optional<ArchiveRow> row = m_assembler.Flush()) Place(std::move(*row));
    while (graceOver(*m_nextHour)) {
        if (!m_rows.empty()) {
            CloseOpenHour();
            continue;
        }
        // Every hour up to the last one whose grace is over, in one journal line.
        const std::time_t passed = *instrumentNow - m_grace.count() - kHour.count();
        const std::time_t end = passed - passed % kHour.count() + kHour.count();
        NoteEmptyHours(*m_nextHour, end);
        m_nextHour = end;
    }
}

void CHourlyArchive::AddLine(std::string_view line) {
    CRowAssembler::Outcome outcome = m_assembler.AddLine(line);
    if (m_assembler.LastTime() != m_lastInstrumentTime) {
        m_lastInstrumentTime = m_assembler.LastTime();
        m_pcAtLastInstrumentTime = m_pcNow;
    }
    if (!outcome.problem.empty()) {
        ++m_counts.linesUnread;
        if (m_unreadSinceClose++ == 0)
            m_firstUnread = "\"" + std::string(line.substr(0, kQuotedLineLength)) + "\": " + outcome.problem;
    }
    if (outcome.finished) Place(std::move(*outcome.finished));
}

void CHourlyArchive::ChangeAveraging(std::chrono::seconds averaging) {
    if (averaging == m_averaging) return;
    if (std::optional<ArchiveRow> row = m_assembler.Flush()) Place(std::move(*row));
    std::string closed;
    if (!m_rows.empty()) {
        closed = "; the hour " + HourText(*m_nextHour) +
                 " is written now with the rows before the change, its later rows are only in the log";
        m_cutByAveraging = m_nextHour;
        CloseOpenHour();
    }
    JournalEvent("archive-averaging-changed", "the instrument's averaging time changed from " +
                                                  std::to_string(m_averaging.count()) + " s to " +
                                                  std::to_string(averaging.count()) + " s" + closed);
    m_averaging = averaging;
}

void CHourlyArchive::Place(ArchiveRow row) {
    const std::time_t hour = PeriodStartOf(row, m_averaging, kHour);
    if (!m_nextHour) m_nextHour = hour;
    if (hour < *m_nextHour) {
        // The rest of an hour cut by a new averaging time: the journal has said they stay in the log.
        if (hour == m_cutByAveraging) return;
        ++m_counts.recordsLate;
        ++m_lateSinceClose;
        return;
    }
    if (hour > *m_nextHour && !m_rows.empty()) CloseOpenHour();
    if (hour > *m_nextHour) {
        NoteEmptyHours(*m_nextHour, hour);
        m_nextHour = hour;
    }
    m_rows.push_back(std::move(row));
}

void CHourlyArchive::CloseOpenHour() {
    const std::time_t hour = *m_nextHour;
    const HourKey key{m_station.stationCode, hour};
    if (!m_done(key)) {
        ArchivePeriod period{hour, kHour, m_averaging};
        Write(FormatArchiveFile(m_station, period, m_pcNow, std::move(m_rows)), hour);
    }
    m_rows.clear();
    m_nextHour = hour + kHour.count();
    if (m_unreadSinceClose > 0)
        JournalEvent("archive-lines-unread", std::to_string(m_unreadSinceClose) + " line(s) up to " +
                                                 HourText(*m_nextHour) +
                                                 " could not be used in full; the first: " + m_firstUnread);
    if (m_lateSinceClose > 0)
        JournalEvent(
            "archive-records-late",
            std::to_string(m_lateSinceClose) +
                " record(s) came after their hour's file was written (the instrument's clock went back?) "
                "and are only in the log");
    m_unreadSinceClose = m_lateSinceClose = 0;
}

void CHourlyArchive::NoteEmptyHours(std::time_t from, std::time_t to) {
    const std::uint64_t hours = static_cast<std::uint64_t>((to - from) / kHour.count());
    m_counts.emptyHours += hours;
    JournalEvent("archive-no-records",
                 hours == 1 ? "no record in the hour " + HourText(from) + ", so no file for it"
                            : "no record from " + HourText(from) + " to " + HourText(to) +
                                  ", so no file for those " + std::to_string(hours) + " hours");
}

void CHourlyArchive::Write(ArchiveFile file, std::time_t hour) {
    if (file.duplicates > 0)
        JournalEvent("archive-records-late", std::to_string(file.duplicates) + " record(s) of the hour " +
                                                 HourText(hour) +
                                                 " repeat a time already in it and are left out");
    const std::string failure = WriteFileAtomically(m_station.outbox, file.name, file.text);
    if (failure.empty()) {
        ++m_counts.filesWritten;
        m_counts.lastHourWritten = hour;
        return;
    }
    ++m_counts.writeFailures;
    JournalEvent("archive-write-failed", "the hour " + HourText(hour) + ": " + failure +
                                             "; trying again every " +
                                             std::to_string(kRetryInterval.count()) + " s");
    m_unwritten.push_back({std::move(file), hour});
    if (m_unwritten.size() > kMaxUnwritten) {
        JournalEvent("archive-hour-dropped", "the hour " + HourText(m_unwritten.front().hour) +
                                                 " could not be written for " +
                                                 std::to_string(kMaxUnwritten) +
                                                 " hours; corvane-export can still make it from the log");
        m_unwritten.pop_front();
    }
    m_lastRetry = m_pcNow;
}

void CHourlyArchive::RetryUnwritten() {
    if (m_unwritten.empty() || m_pcNow - m_lastRetry < kRetryInterval.count()) return;
    m_lastRetry = m_pcNow;
    while (!m_unwritten.empty()) {
        const Unwritten& next = m_unwritten.front();
        if (!WriteFileAtomically(m_station.outbox, next.file.name, next.file.text).empty()) {
            ++m_counts.writeFailures;
            return;
        }
        ++m_counts.filesWritten;
        m_counts.lastHourWritten = std::max(m_counts.lastHourWritten.value_or(next.hour), next.hour);
        JournalEvent("archive-written", next.file.name + ", after failing before");
        m_unwritten.pop_front();
    }
}

std::optional<std::time_t> CHourlyArchive::InstrumentNow() const {
    if (!m_lastInstrumentTime) return std::nullopt;
    return *m_lastInstrumentTime + std::max<std::time_t>(0, m_pcNow - m_pcAtLastInstrumentTime);
}
