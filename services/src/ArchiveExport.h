// CArchiveExport: the archive's hourly files during runs and their upload, on a thread of its own: a
// listener of the record stream feeds the hourly writer, a minute's timer closes an hour whose grace
// has passed, and the uploader sends the outbox. The hours a stopped or killed program left are
// rebuilt from the run's log files when the first run starts. Made by the station's services when the
// station description file turns export on.
#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "archive/HourlyArchive.h"
#include "archive/StationConfig.h"
#include "run/RecordStream.h"
#include "run/RunStatus.h"
#include "station/Exposition.h"
#include "upload/OutboxUploader.h"
#include "upload/SentList.h"

class QTimer;

class CArchiveExport {
public:
    using StatusSource = std::function<RunStatus()>;

    CArchiveExport(StationConfig station, CRecordStream& records, StatusSource status);
    ~CArchiveExport();  // stops the uploader and the thread
    CArchiveExport(const CArchiveExport&) = delete;
    CArchiveExport& operator=(const CArchiveExport&) = delete;

    // Starts the thread and the uploader; gives what keeps the upload from starting.
    std::vector<std::string> Start();
    // The archive's and the upload's figures; any thread.
    std::vector<MetricFamily> MetricFamilies() const;

private:
    // On the thread.
    void OnRecords(const SharedRecordBatch& batch);
    void OnMinute();
    // The hourly writer, made once the instrument's averaging time is known; the run's log files
    // replayed into it first.
    bool Ready(const RunStatus& status);
    void Replay(const std::string& logFile);
    void Feed(const ReceivedRecord& record);
    void PublishCounts();

    const StationConfig m_station;
    CRecordStream& m_records;
    StatusSource m_status;
    CSentList m_sentList;
    COutboxUploader m_uploader;
    QThread m_thread;
    QObject m_context;  // lives on m_thread
    QTimer* m_minute;
    std::optional<CHourlyArchive> m_archive;
    // The replay's newest time record: live records up to it are in the log already and are skipped.
    std::optional<std::time_t> m_replayedUntil;
    bool m_bSkipping = false;

    mutable std::mutex m_countsLock;
    CHourlyArchive::Counts m_counts;
};
