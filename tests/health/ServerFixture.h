// A health server fed as the program feeds it, for the tests: a run status the test sets, a real
// record stream the test publishes on, and a journal the test reads.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "health/HealthServer.h"
#include "run/RecordStream.h"

class TestStation {
public:
    explicit TestStation(HealthOptions options = LoopbackAnyPort())
        : m_server(Sources(), std::move(options)) {}

    static HealthOptions LoopbackAnyPort() {
        HealthOptions options;
        options.listen.port = 0;
        return options;
    }

    CHealthServer& Server() { return m_server; }
    // Starts the server; the port it listens on (0 when it does not).
    unsigned Start() { return m_server.Start().value_or(0); }

    void SetRun(RunStatus run) {
        const std::lock_guard lock(m_lock);
        m_run = std::move(run);
    }
    // Publishes the lines as one batch, arrived at the given time.
    void Publish(const std::vector<std::string>& lines,
                 std::chrono::system_clock::time_point arrival = std::chrono::system_clock::now()) {
        RecordBatch batch;
        for (const std::string& line : lines) batch.push_back(MakeReceivedRecord(line, arrival));
        m_stream.Publish(std::move(batch));
    }
    std::vector<std::string> Journal() {
        const std::lock_guard lock(m_lock);
        return m_journal;
    }

private:
    HealthSources Sources() {
        HealthSources sources;
        sources.runStatus = [this] {
            const std::lock_guard lock(m_lock);
            return m_run;
        };
        sources.records = &m_stream;
        sources.journalLines = [this](std::size_t count) {
            const std::lock_guard lock(m_lock);
            return std::vector<std::string>(m_journal.end() - std::min(count, m_journal.size()),
                                            m_journal.end());
        };
        sources.journalCounts = [] {
            return std::vector<std::pair<std::string, std::uint64_t>>{{"started", 1}};
        };
        sources.journal = [this](std::string_view word, std::string_view details) {
            const std::lock_guard lock(m_lock);
            m_journal.push_back(std::string(word) + ' ' + std::string(details));
        };
        return sources;
    }

    std::mutex m_lock;
    RunStatus m_run;
    std::vector<std::string> m_journal;
    CRecordStream m_stream;
    CHealthServer m_server;  // last: stopped before what it reads goes
};
