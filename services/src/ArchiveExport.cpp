// The archive's hourly files fed from the record stream, and their upload.
#include "ArchiveExport.h"

#include <QMetaObject>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "archive/HourKey.h"
#include "records/Records.h"
#include "station/EventJournal.h"
#include "trend/LogHistory.h"

namespace {

// The hours a restarted program may still owe: a day back, and the grace of the last one.
constexpr std::time_t kReplaySpan = 26 * 3600;

UploadConfig UploadOf(const StationConfig& station) {
    const UploadTarget& target = station.upload;
    return {"sftp://" + target.user + "@" + target.host + ":" + std::to_string(target.port) + target.folder,
            station.uploadKeyFile, station.uploadHostKey, station.outbox};
}

std::optional<std::time_t> TimeOfTimeRecord(std::string_view line) {
    const std::optional<TimeRecord> time = ParseTimeRecord(line);
    return time ? time->instrumentTime : std::nullopt;
}

}  // namespace

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
    QMetaObject::invokeMethod(&m_context, [this] { m_minute->stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

std::vector<std::string> CArchiveExport::Start() {
    m_thread.start();
    QMetaObject::invokeMethod(&m_context, [this] { m_minute->start(); }, Qt::QueuedConnection);
    m_records.Subscribe(&m_context, "archive", [this](const SharedRecordBatch& batch) { OnRecords(batch); });
    return m_uploader.Start();
}

bool CArchiveExport::Ready(const RunStatus& status) {
    if (m_archive) return true;
    if (!status.averagingSeconds) return false;
    m_archive.emplace(m_station, std::chrono::seconds(*status.averagingSeconds), [this](const HourKey& key) {
        return OutboxHoldsHour(m_station.outbox, key) || m_sentList.WasHourSent(key.Id());
    });
    m_archive->SetClock(std::time(nullptr));
    if (status.logging && !status.logFile.empty()) Replay(status.logFile);
    return true;
}

// The run's log files of the last day, oldest first, up to what they hold now: an hour a stopped or
// killed program left unwritten is written from them, and one in the outbox or sent is not again.
void CArchiveExport::Replay(const std::string& logFile) {
    const std::filesystem::path folder = std::filesystem::path(logFile).parent_path();
    for (const std::filesystem::path& file : LogFilesFrom(folder, std::time(nullptr) - kReplaySpan)) {
        std::ifstream in(file, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || !IsRecordLetter(line.front())) continue;
            if (const std::optional<std::time_t> time = TimeOfTimeRecord(line)) m_replayedUntil = time;
            m_archive->AddLine(line);
        }
    }
    m_bSkipping = m_replayedUntil.has_value();
}

void CArchiveExport::Feed(const ReceivedRecord& record) {
    // The live records the replay has read from the log already: skipped by their time records.
    if (record.Letter() == 'T' && m_replayedUntil && record.instrumentTime) {
        m_bSkipping = *record.instrumentTime <= *m_replayedUntil;
        if (!m_bSkipping) m_replayedUntil.reset();
    }
    if (m_bSkipping) return;
    m_archive->SetClock(std::chrono::system_clock::to_time_t(record.arrival));
    m_archive->AddLine(record.line);
}

void CArchiveExport::OnRecords(const SharedRecordBatch& batch) {
    if (!Ready(m_status())) return;
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
    families.push_back(SingleMetric("corvane_archive_empty_hours_total", "Hours that passed without a record.",
                                    MetricType::Counter, static_cast<double>(counts.emptyHours)));
    families.push_back(SingleMetric("corvane_archive_write_failures_total",
                                    "Tries to write an hourly archive file that failed.", MetricType::Counter,
                                    static_cast<double>(counts.writeFailures)));
    if (counts.lastHourWritten)
        families.push_back(SingleMetric("corvane_archive_last_hour_timestamp_seconds",
                                        "Start of the newest hour written into the outbox.", MetricType::Gauge,
                                        static_cast<double>(*counts.lastHourWritten)));
    return families;
}
