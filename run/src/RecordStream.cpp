// The record stream: each batch shared by every listener and queued to the listener's thread.
#include "run/RecordStream.h"

#include <QMetaObject>
#include <algorithm>

CRecordStream::CRecordStream() : m_subscriptions(std::make_shared<Subscriptions>()) {}

void CRecordStream::Subscribe(QObject* context, std::string name, Listener listener) {
    auto subscription = std::make_shared<Subscription>();
    subscription->context = context;
    subscription->name = std::move(name);
    subscription->listener = std::move(listener);
    // Direct: no batch may be queued to the context once it is being destroyed.
    const std::weak_ptr<Subscriptions> weak = m_subscriptions;
    QObject::connect(
        context, &QObject::destroyed, context,
        [weak, context] {
            if (const std::shared_ptr<Subscriptions> all = weak.lock()) {
                const std::lock_guard lock(all->lock);
                std::erase_if(all->list, [context](const auto& s) { return s->context == context; });
            }
        },
        Qt::DirectConnection);
    const std::lock_guard lock(m_subscriptions->lock);
    m_subscriptions->list.push_back(std::move(subscription));
}

void CRecordStream::Publish(RecordBatch batch) {
    if (batch.empty()) return;
    const auto shared = std::make_shared<const RecordBatch>(std::move(batch));
    const std::size_t count = shared->size();
    const std::lock_guard lock(m_subscriptions->lock);
    for (const std::shared_ptr<Subscription>& s : m_subscriptions->list) {
        if (s->backlog.load() + count > kMaxBacklog) {
            s->dropped += count;
            continue;
        }
        s->backlog += count;
        // Qt drops calls queued to a context destroyed meanwhile; the call keeps its subscription.
        QMetaObject::invokeMethod(
            s->context,
            [s, shared, count] {
                s->backlog -= count;
                s->listener(shared);
            },
            Qt::QueuedConnection);
    }
}

std::vector<CRecordStream::Drops> CRecordStream::Dropped() const {
    std::vector<Drops> drops;
    const std::lock_guard lock(m_subscriptions->lock);
    for (const std::shared_ptr<Subscription>& s : m_subscriptions->list)
        if (s->dropped > 0) drops.push_back({s->name, s->dropped.load()});
    return drops;
}
