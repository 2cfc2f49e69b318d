// The outbox uploader: a thread that sends the archive files of the outbox to the archive's SFTP
// folder, oldest first, for as long as it takes, and removes each from the outbox only once the server
// has it under its final name. Failures are journaled (the first, then hourly, then the recovery) and
// counted in the figures. The program owns one, with the sent-list it shares with the hourly writer.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "station/RecoveryRules.h"
#include "upload/ArchiveFiles.h"
#include "upload/SentList.h"
#include "upload/SftpSession.h"
#include "upload/UploadConfig.h"
#include "upload/UploadFigures.h"
#include "upload/UploadTiming.h"

class COutboxUploader {
public:
    COutboxUploader(UploadConfig config, CSentList& sentList, UploadTiming timing = {});
    ~COutboxUploader();  // stops
    COutboxUploader(const COutboxUploader&) = delete;
    COutboxUploader& operator=(const COutboxUploader&) = delete;

    // Starts the thread. Settings it cannot work with (the URL, the fingerprint, no outbox) keep it
    // from starting: they are journaled and returned. A key file that others can read does not: each
    // round refuses it with its message until it is made private.
    std::vector<std::string> Start();
    // Ends the thread, cutting short a transfer under way (the file stays in the outbox).
    void Stop();
    // A file has come into the outbox: look now instead of at the next scan (a back-off still holds).
    void Wake();

    UploadFigures Figures() const;

private:
    using Clock = std::chrono::steady_clock;

    void Run();
    // Sends the files in order, ending at the first that fails.
    SftpOutcome SendAll(const std::vector<PendingFile>& files);
    // Counts the outbox's files from first on as waiting.
    void SetPending(const std::vector<PendingFile>& files, std::size_t first);
    void Succeeded();
    void Failed(const SftpOutcome& outcome, std::chrono::milliseconds retry);
    // Sleeps until the time, a wake-up or the stop.
    void WaitUntil(Clock::time_point until);

    const UploadConfig m_config;
    CSentList& m_sentList;
    const UploadTiming m_timing;
    SftpTarget m_target;
    std::thread m_thread;
    std::atomic<bool> m_bStopping = false;

    mutable std::mutex m_lock;  // guards what follows
    std::condition_variable m_wakeUp;
    bool m_bWoken = false;
    UploadFigures m_figures;

    // The thread's own: the failures in a row and their journaling.
    CFailureSummary m_failures;
    Clock::time_point m_tFirstFailure{};
};
