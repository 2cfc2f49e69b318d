// CArchiveExport: the archive's hourly files during runs and their upload, on a thread of its own: a
// listener of the record stream feeds the hourly writer, a minute's timer closes an hour whose grace
// has passed, and the uploader sends the outbox. The hours a stopped or killed program left are
// rebuilt from the run's log files when the first run starts. Made by the station's services when the
// station description file turns export on; UploadOf gives the upload's settings from that file.
#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "LogReplay.h"
#include "archive/HourlyArchive.h"
#include "archive/StationConfig.h"
#include "run/RecordStream.h"
#include "run/RunStatus.h"
#include "station/Exposition.h"
#include "upload/OutboxUploader.h"
#include "upload/SentList.h"

class QTimer;

UploadConfig UploadOf(const StationConfig& station);

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
    // The hourly writer, made at the first time record of a run whose averaging time is known, with the
    // run's log files of the day before that time replayed into it.
    void Begin(const RunStatus& status, std::chrono::seconds averaging, std::time_t instrumentNow);
    void MakeArchive(std::chrono::seconds averaging);
    void Feed(const ReceivedRecord& record);
    // Whether the live record is one the replay has read from the log already.
    bool Replayed(const ReceivedRecord& record);
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
    // Where the replay ended, while live records may still be ones it read; how many more lines to skip.
    std::optional<ReplayMark> m_replayMark;
    std::size_t m_nLinesToSkip = 0;
    bool m_bToldAveragingUnknown = false;  // journaled once a program

    mutable std::mutex m_countsLock;
    CHourlyArchive::Counts m_counts;
};
