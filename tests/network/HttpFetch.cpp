// HTTP GETs on the event loop.
#include "HttpFetch.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTimer>
#include <memory>

Fetched FetchUrl(const QString& url, int timeoutMs) {
    QNetworkAccessManager manager;
    // Everything these tests reach is on this machine: a proxy from the environment must not see it.
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(timeoutMs);
    const std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched fetched;
    if (!reply->isFinished()) {
        reply->abort();
        fetched.error = QStringLiteral("no answer from %1 within %2 ms").arg(url).arg(timeoutMs);
        return fetched;
    }
    fetched.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    fetched.body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError) fetched.error = reply->errorString();
    return fetched;
}

QJsonObject FetchJsonObject(const QString& url, int timeoutMs) {
    const Fetched fetched = FetchUrl(url, timeoutMs);
    return fetched.status == 200 ? QJsonDocument::fromJson(fetched.body).object() : QJsonObject{};
}
