// The archive's hourly files fed from the record stream, and their upload.
#include "ArchiveExport.h"

#include <QMetaObject>
#include <QTimer>
#include <filesystem>

#include "archive/HourKey.h"
#include "station/EventJournal.h"

namespace {

// The hours a restarted program may still owe: a day back, and the grace of the last one.
constexpr std::time_t kReplaySpan = 26 * 3600;
// Live records to skip until a time record says how many.
constexpr std::size_t kAllLines = static_cast<std::size_t>(-1);

// The instrument's time of the batch's first time record.
std::optional<std::time_t> FirstTime(const RecordBatch& batch) {
    for (const ReceivedRecord& record : batch)
        if (record.Letter() == 'T' && record.instrumentTime) return record.instrumentTime;
    return std::nullopt;
}

}  // namespace

UploadConfig UploadOf(const StationConfig& station) {
    const UploadTarget& target = station.upload;
    return {"sftp://" + target.user + "@" + target.host + ":" + std::to_string(target.port) + target.folder,
            station.uploadKeyFile, station.uploadHostKey, station.outbox};
}

CArchiveExport::CArchiveExport(StationConfig station, CRecordStream& records, StatusSource status)
    : m_station(std::move(station)),
      m_records(records),
      m_status(std::move(status)),
      m_sentList(CSentList::DefaultPath()),
      m_uploader(UploadOf(m_station), m_sentList),
      m_minute(new QTimer(&m_context)) {
    m_minute->setInterval(std::chrono::minutes(1));
    QObject::connect(m_minute, &QTimer::timeout, &m_context, [this] { OnMinute(); });
    m_context.moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("archive"));
}

CArchiveExport::~CArchiveExport() {
    m_uploader.Stop();
    QMetaObject::invokeMethod(
        &m_context, [this] { m_minute->stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

std::vector<std::string> CArchiveExport::Start() {
    m_thread.start();
    QMetaObject::invokeMethod(
        &m_context, [this] { m_minute->start(); }, Qt::QueuedConnection);
    m_records.Subscribe(&m_context, "archive", [this](const SharedRecordBatch& batch) { OnRecords(batch); });
    return m_uploader.Start();
}

void CArchiveExport::Begin(const RunStatus& status, std::chrono::seconds averaging,
                           std::time_t instrumentNow) {
    if (!status.logging || status.logFile.empty()) {
        MakeArchive(averaging);
        return;
    }
    // By the instrument's clock, which dates the log files and their lines, whatever the PC's says.
    const CLogReplay replay(std::filesystem::path(status.logFile).parent_path(), instrumentNow - kReplaySpan,
                            instrumentNow);
    // The rows of a run before keep the averaging time they were logged with, which may not be this
    // run's; the lines this run has logged since its first record are of this run's.
    MakeArchive(replay.Averaging().value_or(averaging));
    replay.Feed([this](std::string_view line) { m_archive->AddLine(line); },
                [&] { m_archive->ChangeAveraging(averaging); });
    m_replayMark = replay.Mark();
    m_nLinesToSkip = kAllLines;
}

void CArchiveExport::MakeArchive(std::chrono::seconds averaging) {
    m_archive.emplace(m_station, averaging, [this](const HourKey& key) {
        return OutboxHoldsHour(m_station.outbox, key) || m_sentList.WasHourSent(key.Id());
    });
    m_archive->SetClock(std::time(nullptr));
}

bool CArchiveExport::Replayed(const ReceivedRecord& record) {
    if (!m_replayMark) return false;
    if (record.Letter() == 'T' && record.instrumentTime) {
        if (*record.instrumentTime > m_replayMark->time) {
            m_replayMark.reset();
            return false;
        }
        // At the replay's last time record, the lines it read after it; before it, all of them.
        m_nLinesToSkip = *record.instrumentTime == m_replayMark->time ? m_replayMark->linesAfter : kAllLines;
        return true;
    }
    if (m_nLinesToSkip == 0) return false;
    --m_nLinesToSkip;
    return true;
}

void CArchiveExport::Feed(const ReceivedRecord& record) {
    if (Replayed(record)) return;
    m_archive->SetClock(std::chrono::system_clock::to_time_t(record.arrival));
    m_archive->AddLine(record.line);
}

void CArchiveExport::OnRecords(const SharedRecordBatch& batch) {
    const RunStatus status = m_status();
    if (!status.averagingSeconds) {
        if (!m_bToldAveragingUnknown)
            JournalEvent("archive-averaging-unknown",
                         "the instrument has not told its averaging time, which dates the rows of the hourly "
                         "files; they wait for it, and take the records before from the log when it logs");
        m_bToldAveragingUnknown = true;
        return;
    }
    const std::chrono::seconds averaging(*status.averagingSeconds);
    if (!m_archive) {
        // Records before a run's first time record cannot be dated; when it logs, the replay has them.
        const std::optional<std::time_t> instrumentNow = FirstTime(*batch);
        if (!instrumentNow) return;
        Begin(status, averaging, *instrumentNow);
    }
    m_archive->ChangeAveraging(averaging);
    for (const ReceivedRecord& record : *batch) Feed(record);
    PublishCounts();
}

void CArchiveExport::OnMinute() {
    if (!m_archive) return;
    m_archive->SetClock(std::time(nullptr));
    PublishCounts();
}

void CArchiveExport::PublishCounts() {
    const CHourlyArchive::Counts counts = m_archive->GetCounts();
    const bool wrote = [&] {
        const std::lock_guard lock(m_countsLock);
        const bool more = counts.filesWritten != m_counts.filesWritten;
        m_counts = counts;
        return more;
    }();
    if (wrote) m_uploader.Wake();
}

std::vector<MetricFamily> CArchiveExport::MetricFamilies() const {
    std::vector<MetricFamily> families = UploadMetricFamilies(m_uploader.Figures());
    const CHourlyArchive::Counts counts = [this] {
        const std::lock_guard lock(m_countsLock);
        return m_counts;
    }();
    families.push_back(SingleMetric("corvane_archive_files_written_total",
                                    "Hourly archive files written into the outbox.", MetricType::Counter,
                                    static_cast<double>(counts.filesWritten)));
    // No unit in the name: a counter of hours would read as a duration.
    families.push_back(
        SingleMetric("corvane_archive_files_skipped_total",
                     "Hourly archive files not written because their hour passed without a record.",
                     MetricType::Counter, static_cast<double>(counts.emptyHours)));
    families.push_back(SingleMetric("corvane_archive_write_failures_total",
                                    "Tries to write an hourly archive file that failed.", MetricType::Counter,
                                    static_cast<double>(counts.writeFailures)));
    families.push_back(
        SingleMetric("corvane_archive_lines_unread_total",
                     "Record lines, or parts of them, the hourly files could not use (only in the log).",
                     MetricType::Counter, static_cast<double>(counts.linesUnread)));
    families.push_back(SingleMetric("corvane_archive_records_late_total",
                                    "Rows that came after their hour's file was written (only in the log).",
                                    MetricType::Counter, static_cast<double>(counts.recordsLate)));
    if (counts.lastHourWritten)
        families.push_back(SingleMetric("corvane_archive_last_hour_timestamp_seconds",
                                        "Start of the newest hour written into the outbox.",
                                        MetricType::Gauge, static_cast<double>(*counts.lastHourWritten)));
    return families;
}
