// The real Prometheus and Alertmanager from Debian, run by a test: each on a free loopback port,
// in a temporary folder of its own that holds its configuration and its data, and stopped
// (SIGTERM) with its object.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>

class MonitoringProcess {
public:
    // Writes files (a name inside the folder and its contents) into a new temporary folder, starts
    // program with arguments, in which "{port}" and "{folder}" stand for the free port and that
    // folder, and waits up to 30 s until GET /-/ready answers 200. Throws std::runtime_error with
    // the program's output when it ends first or is not ready by then.
    MonitoringProcess(const QString& program, const QStringList& arguments,
                      const std::map<QString, QByteArray>& files);
    ~MonitoringProcess();
    MonitoringProcess(const MonitoringProcess&) = delete;
    MonitoringProcess& operator=(const MonitoringProcess&) = delete;

    quint16 Port() const { return m_nPort; }
    // "http://127.0.0.1:PORT" followed by path.
    QString Url(const QString& path) const;
    // What the program has logged so far (standard output and error), for a test's message.
    std::string Output() const;

private:
    QTemporaryDir m_folder;
    quint16 m_nPort = 0;
    QProcess m_process;
};

// Prometheus with this configuration (prometheus.yml) and the files it names, all relative to its
// folder; its database in the folder too.
std::unique_ptr<MonitoringProcess> StartPrometheus(const QByteArray& config,
                                                   std::map<QString, QByteArray> files = {});
// Alertmanager with this configuration (alertmanager.yml), alone: no cluster port.
std::unique_ptr<MonitoringProcess> StartAlertmanager(const QByteArray& config);
