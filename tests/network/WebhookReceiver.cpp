// Alertmanager's notifications, received and kept.
#include "WebhookReceiver.h"

#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

WebhookReceiver::WebhookReceiver() : m_tcp(new QTcpServer) {
    if (!m_tcp->listen(QHostAddress::LocalHost, 0)) {
        const std::string error = m_tcp->errorString().toStdString();
        delete m_tcp;
        throw std::runtime_error("the webhook receiver cannot listen: " + error);
    }
    m_http.bind(m_tcp);
    m_http.route(QStringLiteral("/alerts"), QHttpServerRequest::Method::Post,
                 [this](const QHttpServerRequest& request) {
                     const QJsonObject payload = QJsonDocument::fromJson(request.body()).object();
                     Notification notification{payload.value("status").toString(), {}};
                     for (const QJsonValue alert : payload.value("alerts").toArray())
                         notification.alertNames << alert["labels"]["alertname"].toString();
                     m_notifications.push_back(notification);
                     return QHttpServerResponse(QHttpServerResponse::StatusCode::Ok);
                 });
}

QString WebhookReceiver::Url() const {
    return QStringLiteral("http://127.0.0.1:%1/alerts").arg(m_tcp->serverPort());
}

QString WebhookReceiver::Described() const {
    QString text;
    for (const Notification& n : m_notifications) text += n.status + ": " + n.alertNames.join(", ") + "\n";
    return text.isEmpty() ? QStringLiteral("(none)\n") : text;
}
