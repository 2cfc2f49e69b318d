// The health server's thread: the service is made, used and deleted there.
#include "health/HealthServer.h"

#include <QMetaObject>

#include "HealthService.h"
#include "station/EventJournal.h"

CHealthServer::CHealthServer(HealthSources sources, HealthOptions options)
    : m_sources(std::move(sources)), m_options(std::move(options)) {
    m_thread.setObjectName(QStringLiteral("health"));
    if (!m_sources.journal) m_sources.journal = JournalEvent;
}

CHealthServer::~CHealthServer() {
    if (!m_thread.isRunning()) return;
    QMetaObject::invokeMethod(
        m_threadAnchor.get(), [this] { delete m_service; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void CHealthServer::AddMetrics(MetricsProvider provider) {
    m_providers.push_back(std::move(provider));
}

std::optional<quint16> CHealthServer::Start() {
    if (m_options.listen.off && m_options.metricsFile.empty()) return std::nullopt;
    m_threadAnchor = std::make_unique<QObject>();
    m_threadAnchor->moveToThread(&m_thread);
    m_thread.start();
    std::optional<quint16> port;
    QMetaObject::invokeMethod(
        m_threadAnchor.get(),
        [this, &port] {
            m_service = new CHealthService(m_sources, m_options, std::move(m_providers));
            port = m_service->Listen();
            m_service->StartMetricsFile();
        },
        Qt::BlockingQueuedConnection);
    return port;
}
