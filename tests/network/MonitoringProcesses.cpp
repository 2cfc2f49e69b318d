// Prometheus and Alertmanager as child processes of a test.
#include "MonitoringProcesses.h"

#include <signal.h>

#include <QDir>
#include <QFile>
#include <stdexcept>

#include "EventLoopWait.h"
#include "FreePort.h"
#include "HttpFetch.h"

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
            return m_process.state() == QProcess::NotRunning || FetchUrl(Url("/-/ready"), 1000).status == 200;
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

QString MonitoringProcess::Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_nPort).arg(path);
}

std::string MonitoringProcess::Output() const {
    QFile file(m_folder.filePath("output.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::unique_ptr<MonitoringProcess> StartPrometheus(const QByteArray& config,
                                                   std::map<QString, QByteArray> files) {
    files[QStringLiteral("prometheus.yml")] = config;
    return std::make_unique<MonitoringProcess>(
        QStringLiteral("prometheus"),
        QStringList{"--config.file={folder}/prometheus.yml", "--storage.tsdb.path={folder}/data",
                    "--web.listen-address=127.0.0.1:{port}"},
        files);
}

std::unique_ptr<MonitoringProcess> StartAlertmanager(const QByteArray& config) {
    // Without an empty cluster address it would also listen for peers on every interface.
    return std::make_unique<MonitoringProcess>(
        QStringLiteral("prometheus-alertmanager"),
        QStringList{"--config.file={folder}/alertmanager.yml", "--storage.path={folder}/data",
                    "--web.listen-address=127.0.0.1:{port}", "--cluster.listen-address="},
        std::map<QString, QByteArray>{{QStringLiteral("alertmanager.yml"), config}});
}
