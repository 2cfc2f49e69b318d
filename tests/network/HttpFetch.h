// Plain HTTP requests for the network tests, through Qt's network access and the event loop: the
// program's pages, Prometheus's HTTP API, readiness checks. Never through a proxy.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

struct Fetched {
    int status = 0;  // 0 when no answer came
    QByteArray body;
    QString error;  // what went wrong, for a test's message
};

// GETs url, running the event loop until the answer or the time-out.
Fetched FetchUrl(const QString& url, int timeoutMs = 5000);
// GETs url and reads its body as a JSON object; empty when there is no 200 or no object.
QJsonObject FetchJsonObject(const QString& url, int timeoutMs = 5000);
