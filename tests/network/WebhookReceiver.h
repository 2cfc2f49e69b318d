// WebhookReceiver: an HTTP server on a free loopback port that keeps every notification Alertmanager
// POSTs to it. It answers on the test's event loop: a test blocking it makes Alertmanager send again.
#pragma once

#include <QHttpServer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <vector>

class WebhookReceiver {
public:
    struct Notification {
        QString status;          // "firing" or "resolved"
        QStringList alertNames;  // of the alerts it carries, in its order
    };

    // Listens on 127.0.0.1; throws std::runtime_error when it cannot.
    WebhookReceiver();

    // The address for Alertmanager's webhook_configs.
    QString Url() const;
    const std::vector<Notification>& Notifications() const { return m_notifications; }
    // Every notification as "status: names", one a line.
    QString Described() const;

private:
    QHttpServer m_http;
    QTcpServer* m_tcp;  // owned by m_http once bound
    std::vector<Notification> m_notifications;
};
