// CHealthServer: the station's health for a network, served read-only on a thread of its own: the
// status page at /, /status.json, /metrics in the Prometheus text format, and the same exposition
// written to a file for node-exporter's textfile collector. Neither the window's painting nor a
// flood of requests touches the other. Made and started by the program at start-up.
#pragma once

#include <QThread>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "health/BoundedTcpServer.h"
#include "station/Exposition.h"
#include "health/HealthSources.h"
#include "health/ListenAddress.h"

struct HealthOptions {
    ListenSetting listen;     // off for no server
    std::string metricsFile;  // empty for no file
    std::chrono::milliseconds metricsFileInterval{15000};
    CBoundedTcpServer::Limits limits;
};

class CHealthService;

class CHealthServer {
public:
    CHealthServer(HealthSources sources, HealthOptions options);
    // Stops serving and ends the thread.
    ~CHealthServer();
    CHealthServer(const CHealthServer&) = delete;
    CHealthServer& operator=(const CHealthServer&) = delete;

    // Adds a part's metric families to every exposition; before Start.
    void AddMetrics(MetricsProvider provider);
    // Starts the thread with what the options ask for. Gives the port listened on; nothing when
    // the server is off or its port cannot be bound, which is journaled: the program goes on.
    std::optional<quint16> Start();

private:
    HealthSources m_sources;
    HealthOptions m_options;
    std::vector<MetricsProvider> m_providers;
    QThread m_thread;
    std::unique_ptr<QObject> m_threadAnchor;  // lives on m_thread; calls are queued to it
    CHealthService* m_service = nullptr;      // made, used and deleted on m_thread
};
