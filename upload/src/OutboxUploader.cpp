// The outbox uploader's thread: rounds of sending, the back-off between failed ones, the journal and
// the figures.
#include "upload/OutboxUploader.h"

#include <ctime>

#include "station/EventJournal.h"

namespace {

// "2026-12-06 13:00 UTC", an hour's start.
std::string HourText(std::int64_t start) {
    const std::time_t when = start;
    std::tm fields{};
    gmtime_r(&when, &fields);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &fields);
    return text;
}

// "10 s", "10 min".
std::string DelayText(std::chrono::milliseconds delay) {
    using namespace std::chrono;
    if (delay < 1s) return std::to_string(delay.count()) + " ms";
    if (delay < 1min) return std::to_string(duration_cast<seconds>(delay).count()) + " s";
    return std::to_string(duration_cast<minutes>(delay).count()) + " min";
}

}  // namespace

COutboxUploader::COutboxUploader(UploadConfig config, CSentList& sentList, UploadTiming timing)
    : m_config(std::move(config)), m_sentList(sentList), m_timing(timing) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

COutboxUploader::~COutboxUploader() {
    Stop();
    curl_global_cleanup();
}

std::vector<std::string> COutboxUploader::Start() {
    const std::vector<std::string> problems = SettingProblems(m_config);
    if (!problems.empty()) {
        std::string text = "The upload to the archive is not started.";
        for (const std::string& problem : problems) text += ' ' + problem;
        JournalEvent("upload-not-started", text);
        return problems;
    }
    if (m_thread.joinable()) return {};
    std::string unused;
    m_target = *ParseSftpUrl(m_config.url, unused);
    // The figures count the waiting files from the start, not only from the thread's first look.
    SetPending(ListOutbox(m_config.outboxFolder, unused), 0);
    m_bStopping = false;
    m_thread = std::thread(&COutboxUploader::Run, this);
    return {};
}

void COutboxUploader::Stop() {
    {
        const std::lock_guard held(m_lock);
        m_bStopping = true;
        m_wakeUp.notify_all();
    }
    if (m_thread.joinable()) m_thread.join();
}

void COutboxUploader::Wake() {
    const std::lock_guard held(m_lock);
    m_bWoken = true;
    m_wakeUp.notify_all();
}

UploadFigures COutboxUploader::Figures() const {
    const std::lock_guard held(m_lock);
    return m_figures;
}

void COutboxUploader::Run() {
    unsigned failuresInRow = 0;
    Clock::time_point nextRound = Clock::now();
    while (!m_bStopping) {
        std::string error;
        const std::vector<PendingFile> files = ListOutbox(m_config.outboxFolder, error);
        SetPending(files, 0);
        const bool work = !files.empty() || !error.empty();
        if (work && Clock::now() >= nextRound) {
            const SftpOutcome outcome =
                error.empty() ? SendAll(files) : SftpOutcome{SftpStatus::kFailed, error};
            if (outcome.status == SftpStatus::kCancelled) break;
            if (outcome.status == SftpStatus::kDone) {
                Succeeded();
                failuresInRow = 0;
                continue;  // look again at once: files may have come during the round
            }
            const auto retry = RetryDelay(m_timing, ++failuresInRow);
            Failed(outcome, retry);
            nextRound = Clock::now() + retry;
        }
        // While files wait, the outbox is still looked at every scan to keep the figures right.
        const Clock::time_point scan = Clock::now() + m_timing.outboxScan;
        WaitUntil(work ? std::min(scan, nextRound) : scan);
    }
}

SftpOutcome COutboxUploader::SendAll(const std::vector<PendingFile>& files) {
    if (std::string problem = PrivateKeyProblem(m_config.privateKeyFile); !problem.empty())
        return {SftpStatus::kFailed, problem};
    CSftpSession session(m_target, m_config, m_timing, [this] { return m_bStopping.load(); });
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (m_bStopping) return {SftpStatus::kCancelled, {}};
        const PendingFile& file = files[i];
        // A file on the sent-list was taken before a restart cut its removal: it is only removed.
        if (!m_sentList.Contains(file.name)) {
            // The server's copy under the final name is the one truth: look before sending.
            SftpOutcome outcome = session.Has(file.name);
            if (outcome.status == SftpStatus::kDone)
                JournalEvent("upload-found-on-server",
                             file.name + " is on the server already (sent before a restart); not sent again");
            else if (outcome.status == SftpStatus::kAbsent)
                outcome = session.Put(file.path, file.name);
            if (outcome.status != SftpStatus::kDone) return outcome;
            std::string error;
            if (!m_sentList.Record(file.name, error)) return {SftpStatus::kFailed, error};
            const std::lock_guard held(m_lock);
            m_figures.lastSuccess = std::time(nullptr);
        }
        std::error_code code;
        if (!std::filesystem::remove(file.path, code) && code)
            return {SftpStatus::kFailed, "The sent file " + file.path.string() +
                                             " cannot be removed from the outbox: " + code.message() + "."};
        SetPending(files, i + 1);
    }
    return {SftpStatus::kDone, {}};
}

void COutboxUploader::SetPending(const std::vector<PendingFile>& files, std::size_t first) {
    const std::lock_guard held(m_lock);
    m_figures.pendingFiles = files.size() - first;
    m_figures.oldestPendingStart.reset();
    if (first < files.size()) m_figures.oldestPendingStart = files[first].start;
}

void COutboxUploader::Succeeded() {
    {
        const std::lock_guard held(m_lock);
        m_figures.hostKeyMismatch = false;
    }
    if (m_failures.Failures() == 0) return;
    const auto failing = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_tFirstFailure);
    JournalEvent("upload-recovered", m_target.shown + ": the server takes files again, after " +
                                         std::to_string(m_failures.Failures()) + " failed rounds in " +
                                         GapText(failing));
    m_failures.Reset();
}

void COutboxUploader::Failed(const SftpOutcome& outcome, std::chrono::milliseconds retry) {
    const Clock::time_point now = Clock::now();
    const bool mismatch = outcome.status == SftpStatus::kHostKeyMismatch;
    UploadFigures figures;
    bool newMismatch = false;
    {
        const std::lock_guard held(m_lock);
        ++m_figures.failuresTotal;
        newMismatch = mismatch && !m_figures.hostKeyMismatch;
        m_figures.hostKeyMismatch = mismatch;
        figures = m_figures;
    }
    if (m_failures.Failures() == 0) m_tFirstFailure = now;
    if (!m_failures.Count(now) && !newMismatch) return;

    std::string details = m_target.shown + ": ";
    if (m_failures.Failures() == 1) {
        details += outcome.reason + "; trying again in " + DelayText(retry) +
                   ", then less often, up to every " + DelayText(m_timing.longestRetry) +
                   " (reported hourly)";
    } else {
        const auto failing = std::chrono::duration_cast<std::chrono::seconds>(now - m_tFirstFailure);
        details += "still failing, " + std::to_string(m_failures.Failures()) + " failed rounds in " +
                   GapText(failing) + ", the last: " + outcome.reason;
    }
    if (mismatch)
        details += "; nothing is sent until the server's key matches " + m_config.hostKeyFingerprint +
                   " (ask the archive whether its key changed)";
    if (figures.oldestPendingStart)
        details += "; " + std::to_string(figures.pendingFiles) + " files waiting, the oldest from " +
                   HourText(*figures.oldestPendingStart);
    JournalEvent(mismatch ? "upload-host-key-mismatch" : "upload-failed", details);
}

void COutboxUploader::WaitUntil(Clock::time_point until) {
    std::unique_lock held(m_lock);
    m_wakeUp.wait_until(held, until, [this] { return m_bStopping || m_bWoken; });
    m_bWoken = false;
}
