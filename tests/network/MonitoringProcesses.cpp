// Prometheus and Alertmanager as child processes of a test.
#include "MonitoringProcesses.h"

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <stdexcept>

#include "EventLoopWait.h"
#include "FreePort.h"
#include "HttpClient.h"

MonitoringProcess::MonitoringProcess(const QString& program, const QStringList& arguments,
                                     const std::map<QString, QByteArray>& files) {
    if (!m_folder.isValid()) throw std::runtime_error("no temporary folder for " + program.toStdString());
    for (const auto& [name, contents] : files) {
        QFile file(m_folder.filePath(name));
        QDir().mkpath(QFileInfo(file).path());
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            throw std::runtime_error("cannot write " + file.fileName().toStdString());
    }
    m_nPort = FreeLoopbackPort();
    QStringList filled;
    for (QString argument : arguments)
        filled << argument.replace(QStringLiteral("{port}"), QString::number(m_nPort))
                      .replace(QStringLiteral("{folder}"), m_folder.path());
    m_process.setStandardOutputFile(m_folder.filePath("output.txt"));
    m_process.setStandardErrorFile(m_folder.filePath("output.txt"), QIODevice::Append);
    m_process.start(program, filled);
    if (!m_process.waitForStarted(10000))
        throw std::runtime_error(program.toStdString() + " does not start (" +
                                 m_process.errorString().toStdString() +
                                 "): install it with scripts/setup.sh");
    const bool ready = WaitFor(
        [this] {
            return m_process.state() == QProcess::NotRunning || Get(m_nPort, "/-/ready").status == 200;
        },
        30000, 100);
    if (!ready || m_process.state() == QProcess::NotRunning)
        throw std::runtime_error(program.toStdString() + " is not ready on port " + std::to_string(m_nPort) +
                                 ":\n" + Output());
}

MonitoringProcess::~MonitoringProcess() {
    if (m_process.state() == QProcess::NotRunning) return;
    kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QJsonObject MonitoringProcess::FetchJson(const std::string& path) const {
    const HttpAnswer answer = Get(m_nPort, path);
    return answer.status == 200 ? QJsonDocument::fromJson(QByteArray::fromStdString(answer.body)).object()
                                : QJsonObject{};
}

std::string MonitoringProcess::Output() const {
    QFile file(m_folder.filePath("output.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::unique_ptr<MonitoringProcess> StartPrometheus(quint16 corvanePort, std::map<QString, QByteArray> rules,
                                                   quint16 alertmanagerPort) {
    QString config = QStringLiteral(R"(global: {scrape_interval: 1s, evaluation_interval: 1s}
rule_files: [rules/*.yml]
scrape_configs: [{job_name: corvane, static_configs: [{targets: ["127.0.0.1:%1"]}]}]
)")
                         .arg(corvanePort);
    if (alertmanagerPort != 0)
        config += QStringLiteral("alerting: {alertmanagers: [{static_configs: [{targets: [\"127.0.0.1:%1\"]}]}]}\n")
                      .arg(alertmanagerPort);
    std::map<QString, QByteArray> files;
    for (const auto& [name, contents] : rules) files[QStringLiteral("rules/") + name] = contents;
    files[QStringLiteral("prometheus.yml")] = config.toUtf8();
    return std::make_unique<MonitoringProcess>(
        QStringLiteral("prometheus"),
        QStringList{"--config.file={folder}/prometheus.yml", "--storage.tsdb.path={folder}/data",
                    "--web.listen-address=127.0.0.1:{port}"},
        files);
}

QString AlertState(const MonitoringProcess& prometheus, const QString& alert) {
    const QJsonObject answer = prometheus.FetchJson("/api/v1/alerts");
    for (const QJsonValue entry : answer["data"]["alerts"].toArray())
        if (entry["labels"]["alertname"].toString() == alert) return entry["state"].toString();
    return {};
}

std::unique_ptr<MonitoringProcess> StartAlertmanager(const QByteArray& config) {
    // Without an empty cluster address it would also listen for peers on every interface.
    return std::make_unique<MonitoringProcess>(
        QStringLiteral("prometheus-alertmanager"),
        QStringList{"--config.file={folder}/alertmanager.yml", "--storage.path={folder}/data",
                    "--web.listen-address=127.0.0.1:{port}", "--cluster.listen-address="},
        std::map<QString, QByteArray>{{QStringLiteral("alertmanager.yml"), config}});
}
