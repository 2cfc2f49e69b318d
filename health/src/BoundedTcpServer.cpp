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

// These handlers are connected before the HTTP layer takes the socket, so they see each chunk before
// that layer reads it out of the socket's buffer: the bytes a request has brought are counted chunk by
// chunk, however they are cut, and the buffer never holds more than the limit meanwhile.
void CBoundedTcpServer::Watch(QTcpSocket* socket) {
    socket->setReadBufferSize(m_limits.maxRequestBytes);
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->start(m_limits.requestTime);
    m_connections.push_back({socket, deadline});

    connect(deadline, &QTimer::timeout, socket, [this, socket] { Close(socket, m_closures.timedOut); });
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        Connection* c = Find(socket);
        if (c == nullptr) return;
        c->requestUnderWay = true;
        c->requestBytes += socket->bytesAvailable();
        if (c->requestBytes >= m_limits.maxRequestBytes) Close(socket, m_closures.oversize);
    });
    connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] {
        if (Connection* c = Find(socket)) {
            c->requestUnderWay = false;
            c->requestBytes = 0;
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
