// The real Prometheus and Alertmanager from Debian, run by a test: each on a free loopback port with
// its configuration and data in a temporary folder, stopped (SIGTERM) with its object.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>

class MonitoringProcess {
public:
    // Writes files (name in the folder, contents), starts program with arguments ("{port}" and
    // "{folder}" filled in) and waits up to 30 s for GET /-/ready; throws with its output if not ready.
    MonitoringProcess(const QString& program, const QStringList& arguments,
                      const std::map<QString, QByteArray>& files);
    ~MonitoringProcess();
    MonitoringProcess(const MonitoringProcess&) = delete;
    MonitoringProcess& operator=(const MonitoringProcess&) = delete;

    quint16 Port() const { return m_nPort; }
    // GET path, its body read as a JSON object; empty when there is no 200 or no object.
    QJsonObject FetchJson(const std::string& path) const;
    // What the program has logged so far, for a test's message.
    std::string Output() const;

private:
    QTemporaryDir m_folder;
    quint16 m_nPort = 0;
    QProcess m_process;
};

// Prometheus scraping the program on corvanePort as job "corvane" and evaluating the rule files every
// second; sending alerts to Alertmanager on alertmanagerPort unless it is 0.
std::unique_ptr<MonitoringProcess> StartPrometheus(quint16 corvanePort, std::map<QString, QByteArray> rules,
                                                   quint16 alertmanagerPort = 0);
// The alert's state in Prometheus's HTTP API ("pending", "firing"); empty while it is inactive.
QString AlertState(const MonitoringProcess& prometheus, const QString& alert);
// Alertmanager with this configuration (alertmanager.yml), alone: no cluster port.
std::unique_ptr<MonitoringProcess> StartAlertmanager(const QByteArray& config);
