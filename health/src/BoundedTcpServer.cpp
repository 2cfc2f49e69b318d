// Connections watched for their count, their request size and their time to a response.
#include "health/BoundedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

CBoundedTcpServer::CBoundedTcpServer(Limits limits, QObject* parent) : QTcpServer(parent), m_limits(limits) {}

void CBoundedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (static_cast<int>(m_connections.size()) >= m_limits.maxConnections) {
        // An idle connection costs its client nothing to open again; one with a request under way
        // is closed only when all are busy.
        const auto idle = std::find_if(m_connections.begin(), m_connections.end(),
                                       [](const Connection& c) { return !c.requestUnderWay; });
        Close((idle != m_connections.end() ? *idle : m_connections.front()).socket, m_closures.crowded);
    }
    Watch(socket);
    addPendingConnection(socket);
}

// Qt's HTTP layer keeps a request's bytes in the socket's buffer until the request is whole, so the
// buffer's size bounds a request. These handlers are connected before the HTTP layer takes the
// socket, so they see each chunk first.
void CBoundedTcpServer::Watch(QTcpSocket* socket) {
    socket->setReadBufferSize(m_limits.maxRequestBytes);
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->start(m_limits.requestTime);
    m_connections.push_back({socket, deadline});

    connect(deadline, &QTimer::timeout, socket, [this, socket] { Close(socket, m_closures.timedOut); });
    // A full buffer is a request too large to be whole: the socket would read no more.
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        if (Connection* c = Find(socket)) c->requestUnderWay = true;
        if (socket->bytesAvailable() >= m_limits.maxRequestBytes) Close(socket, m_closures.oversize);
    });
    connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] {
        if (Connection* c = Find(socket)) {
            c->requestUnderWay = false;
            c->deadline->start(m_limits.requestTime);
        }
    });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket] {
        std::erase_if(m_connections, [socket](const Connection& c) { return c.socket == socket; });
    });
}

CBoundedTcpServer::Connection* CBoundedTcpServer::Find(QTcpSocket* socket) {
    const auto it = std::find_if(m_connections.begin(), m_connections.end(),
                                 [socket](const Connection& c) { return c.socket == socket; });
    return it == m_connections.end() ? nullptr : &*it;
}

void CBoundedTcpServer::Close(QTcpSocket* socket, std::uint64_t& count) {
    ++count;
    std::erase_if(m_connections, [socket](const Connection& c) { return c.socket == socket; });
    // The HTTP layer, whose handler may come next in this very signal, hears nothing more of it.
    disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    socket->abort();
}
