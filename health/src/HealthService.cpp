// The health server's routes, exposition and metrics file, on the server's thread.
#include "HealthService.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTcpSocket>

#include "health/ProcessMetrics.h"
#include "health/StationMetrics.h"
#include "run/RecordStream.h"

namespace {

using Method = QHttpServerRequest::Method;
using Status = QHttpServerResponder::StatusCode;

constexpr std::size_t kPageJournalLines = 20;
constexpr std::size_t kJsonJournalLines = 50;

struct Reply {
    QByteArray type;
    QByteArray body;
};

// The page's own files, compiled in: no path a client names ever reaches the file system.
const struct {
    const char* path;
    const char* resource;
    const char* type;
} kPageFiles[] = {
    {"/status.css", ":/health/status.css", "text/css; charset=utf-8"},
    {"/status.js", ":/health/status.js", "text/javascript; charset=utf-8"},
    {"/favicon.svg", ":/health/favicon.svg", "image/svg+xml"},
};

QByteArray Resource(const char* name) {
    QFile file(QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A client that asks for the connection to be closed after the answer (Qt's server keeps it open).
bool WantsClose(const QHttpServerRequest& request) {
    return request.value("Connection").toLower().contains("close");
}

// GET gets the reply, HEAD its headers alone (Qt's server would send the body with them), any other
// method 405.
void Answer(const QHttpServerRequest& request, QHttpServerResponder& responder,
            const std::function<Reply()>& make) {
    const Method method = request.method();
    const QByteArray connection = WantsClose(request) ? "close" : "keep-alive";
    if (method != Method::Get && method != Method::Head) {
        responder.write(QByteArrayLiteral("Only GET and HEAD are answered here.\n"),
                        {{"Content-Type", "text/plain; charset=utf-8"},
                         {"Allow", "GET, HEAD"},
                         {"Connection", connection}},
                        Status::MethodNotAllowed);
    } else {
        const Reply reply = make();
        responder.writeStatusLine(Status::Ok);
        responder.writeHeaders(
            {{"Content-Type", reply.type},
             {"Content-Length", QByteArray::number(reply.body.size())},
             {"Cache-Control", "no-store"},
             {"X-Content-Type-Options", "nosniff"},
             // The page and its script load nothing from anywhere but here.
             {"Content-Security-Policy",
              "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
              "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
             {"Connection", connection}});
        responder.writeBody(method == Method::Head ? QByteArray() : reply.body);
    }
    // Closed once the answer has been written.
    if (WantsClose(request)) responder.socket()->disconnectFromHost();
}

}  // namespace

CHealthService::CHealthService(const HealthSources& sources, const HealthOptions& options,
                               std::vector<MetricsProvider> providers)
    : m_sources(sources),
      m_options(options),
      m_providers(std::move(providers)),
      m_pageTemplate(QString::fromUtf8(Resource(":/health/status.html"))) {
    if (m_sources.records)
        m_sources.records->Subscribe(this, "health", [this](const SharedRecordBatch& batch) {
            for (const ReceivedRecord& record : *batch) m_tally.Add(record);
        });
    AddRoutes();
}

void CHealthService::AddRoutes() {
    const auto route = [this](const char* path, std::function<Reply()> make) {
        m_http.route(QString::fromLatin1(path),
                     [make](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                         Answer(request, responder, make);
                     });
    };
    route("/", [this] {
        return Reply{"text/html; charset=utf-8", StatusPage(View(kPageJournalLines), m_pageTemplate)};
    });
    route("/status.json", [this] {
        return Reply{"application/json",
                     QJsonDocument(StatusJson(View(kJsonJournalLines))).toJson(QJsonDocument::Compact)};
    });
    route("/metrics", [this] { return Reply{"text/plain; version=0.0.4; charset=utf-8", Exposition()}; });
    route("/chart.svg", [this] {
        return Reply{"image/svg+xml", CoefficientChart(m_tally.History(), std::chrono::system_clock::now())};
    });
    for (const auto& file : kPageFiles) {
        const Reply reply{file.type, Resource(file.resource)};
        route(file.path, [reply] { return reply; });
    }
}

StationView CHealthService::View(std::size_t journalLines) {
    return {m_sources.runStatus ? m_sources.runStatus() : RunStatus{}, m_tally,
            m_sources.journalLines ? m_sources.journalLines(journalLines) : std::vector<std::string>{},
            std::chrono::system_clock::now()};
}

QByteArray CHealthService::Exposition() {
    StationFigures figures{
        m_sources.runStatus ? m_sources.runStatus() : RunStatus{}, m_tally,
        m_sources.journalCounts ? m_sources.journalCounts() : decltype(figures.journalCounts){},
        m_sources.averagingSeconds ? m_sources.averagingSeconds() : std::nullopt};
    std::vector<MetricFamily> families = StationMetrics(figures);
    if (m_tcp) {
        const CBoundedTcpServer::Closures& closed = m_tcp->ClosedConnections();
        families.push_back({"corvane_http_connections_closed_total",
                            "Connections the health server closed, by the bound they went past.",
                            MetricType::Counter,
                            {{{{"reason", "crowded"}}, double(closed.crowded)},
                             {{{"reason", "oversize"}}, double(closed.oversize)},
                             {{{"reason", "timed_out"}}, double(closed.timedOut)}}});
        families.push_back(SingleMetric("corvane_http_open_connections",
                                        "Connections open to the health server.", MetricType::Gauge,
                                        m_tcp->OpenConnections()));
    }
    if (m_sources.records) {
        MetricFamily dropped{"corvane_record_stream_dropped_records_total",
                             "Records a listener of the record stream lost by falling behind.",
                             MetricType::Counter,
                             {}};
        for (const CRecordStream::Drops& d : m_sources.records->Dropped())
            dropped.samples.push_back({{{"listener", d.listener}}, double(d.records)});
        families.push_back(std::move(dropped));
    }
    for (const MetricsProvider& provider : m_providers)
        for (MetricFamily& family : provider()) families.push_back(std::move(family));
    for (MetricFamily& family : ProcessMetrics()) families.push_back(std::move(family));
    return QByteArray::fromStdString(WriteExposition(families));
}

std::optional<quint16> CHealthService::Listen() {
    const ListenSetting& listen = m_options.listen;
    if (listen.off) return std::nullopt;
    auto* tcp = new CBoundedTcpServer(m_options.limits);
    if (!tcp->listen(listen.address, listen.port)) {
        m_sources.journal("http-failed",
                          QStringLiteral("cannot listen on %1: %2; the station goes on without its "
                                         "status page and metrics")
                              .arg(listen.Text(), tcp->errorString())
                              .toStdString());
        delete tcp;
        return std::nullopt;
    }
    m_http.bind(tcp);
    m_tcp = tcp;
    ListenSetting bound = listen;
    bound.port = tcp->serverPort();
    QString details = QStringLiteral("http://%1/ (status page, /status.json, /metrics)").arg(bound.Text());
    if (!listen.IsLoopback())
        details += QStringLiteral(
            "; WARNING: not a loopback address: anyone who can reach it can read the "
            "station's state");
    m_sources.journal("http-listening", details.toStdString());
    return bound.port;
}

void CHealthService::StartMetricsFile() {
    if (m_options.metricsFile.empty()) return;
    connect(&m_metricsFileTimer, &QTimer::timeout, this, &CHealthService::WriteMetricsFile);
    m_metricsFileTimer.start(m_options.metricsFileInterval);
    WriteMetricsFile();
}

// The file is replaced whole (a temporary file renamed over it), so the collector never reads half.
// A failure is journaled once, and its end once.
void CHealthService::WriteMetricsFile() {
    const QString path = QString::fromStdString(m_options.metricsFile);
    QSaveFile file(path);
    const QByteArray text = Exposition();
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    if (!written && !m_bMetricsFileFailing)
        m_sources.journal("metrics-file-error",
                          QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    if (written && m_bMetricsFileFailing) m_sources.journal("metrics-file-recovered", path.toStdString());
    m_bMetricsFileFailing = !written;
}
