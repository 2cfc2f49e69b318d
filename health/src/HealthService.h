// CHealthService: everything of the health server that lives on its thread: the HTTP routes, the
// record tally fed by the record stream, the exposition and the metrics file's timer.
#pragma once

#include <QHttpServer>
#include <QObject>
#include <QTimer>
#include <optional>
#include <vector>

#include "health/HealthServer.h"
#include "health/RecordTally.h"
#include "health/StatusView.h"

class CHealthService : public QObject {
public:
    CHealthService(const HealthSources& sources, const HealthOptions& options,
                   std::vector<MetricsProvider> providers);

    // Listens when the options ask for it; the port, or nothing when off or not bound.
    std::optional<quint16> Listen();
    // Writes the metrics file now and every interval after, when the options name one.
    void StartMetricsFile();

private:
    void AddRoutes();
    QByteArray Exposition();
    StationView View(std::size_t journalLines);
    void WriteMetricsFile();

    const HealthSources& m_sources;
    const HealthOptions& m_options;
    std::vector<MetricsProvider> m_providers;
    CRecordTally m_tally;
    QHttpServer m_http;
    CBoundedTcpServer* m_tcp = nullptr;  // owned by m_http once bound
    QString m_pageTemplate;
    QTimer m_metricsFileTimer;
    bool m_bMetricsFileFailing = false;
};
