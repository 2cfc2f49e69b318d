// CBoundedTcpServer: the listening socket the health server's HTTP layer is bound to, with the
// bounds the HTTP layer itself lacks: at most so many connections, at most so many bytes received
// before a response, and a time within which each request must be answered. A client that sends a
// huge request line, drips a request a byte at a time, holds connections idle or sends garbage costs
// a bounded amount of memory and a bounded time, and leaves room for the requests of others.
#pragma once

#include <QTcpServer>
#include <chrono>
#include <cstdint>
#include <vector>

class QTcpSocket;
class QTimer;

class CBoundedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    struct Limits {
        // Over this, a new connection closes the oldest idle one (else the oldest of all).
        int maxConnections = 32;
        // Request line, headers and any body; a browser's request with its cookies stays well
        // within it.
        qint64 maxRequestBytes = 32 * 1024;
        // From the connection, or from the last response on it, to the next response.
        std::chrono::milliseconds requestTime{10000};
    };
    // Connections closed by each bound, since the server started.
    struct Closures {
        std::uint64_t crowded = 0;   // for a new connection over maxConnections
        std::uint64_t oversize = 0;  // a request over maxRequestBytes
        std::uint64_t timedOut = 0;  // no response within requestTime
    };

    explicit CBoundedTcpServer(Limits limits, QObject* parent = nullptr);

    const Closures& ClosedConnections() const { return m_closures; }
    int OpenConnections() const { return static_cast<int>(m_connections.size()); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection {
        QTcpSocket* socket;
        QTimer* deadline;
        bool requestUnderWay = false;  // bytes came after the last response
        qint64 requestBytes = 0;       // bytes received since the last response
    };
    void Watch(QTcpSocket* socket);
    Connection* Find(QTcpSocket* socket);
    // Takes the connection off the list at once, so that a burst of new ones never closes it twice.
    void Close(QTcpSocket* socket, std::uint64_t& count);

    Limits m_limits;
    Closures m_closures;
    std::vector<Connection> m_connections;  // oldest first
};
