// CRecordStream: the run's records for any number of listeners. The run core publishes each batch
// once its lines are in the log file; each listener gets every batch, in order, on its own thread,
// and the publisher never waits for a listener. A listener that falls too far behind loses batches
// (counted) instead of holding memory without bound or slowing the log.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "run/ReceivedRecord.h"

class CRecordStream {
public:
    using Listener = std::function<void(const SharedRecordBatch&)>;

    // Records a listener may have waiting before further batches are dropped for it.
    static constexpr std::size_t kMaxBacklog = 65536;

    CRecordStream();
    CRecordStream(const CRecordStream&) = delete;
    CRecordStream& operator=(const CRecordStream&) = delete;

    // Calls listener with each batch published from now on, queued to the thread of context, until
    // context is destroyed. name identifies the listener in the drop counts.
    void Subscribe(QObject* context, std::string name, Listener listener);
    // Hands the batch to every listener; returns at once.
    void Publish(RecordBatch batch);

    struct Drops {
        std::string listener;
        std::uint64_t records;
    };
    // Records each listener lost by falling behind, for those that lost any.
    std::vector<Drops> Dropped() const;

private:
    struct Subscription {
        QObject* context;
        std::string name;
        Listener listener;
        std::atomic<std::size_t> backlog{0};
        std::atomic<std::uint64_t> dropped{0};
    };
    // Shared with the listeners' clean-up, which may come after the stream has gone.
    struct Subscriptions {
        std::mutex lock;
        std::vector<std::shared_ptr<Subscription>> list;
    };
    std::shared_ptr<Subscriptions> m_subscriptions;
};
