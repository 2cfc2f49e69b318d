// Where the station's health server listens: the --listen option and its stored form, "ADDR:PORT"
// or "off". Used by the command line, the settings and the health server.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringView>
#include <optional>

// Outside the block of ports the Prometheus ecosystem has given out (9090-9094 for its own
// programs, 9100-9999 for exporters, all taken), below the kernel's ephemeral ports and in no
// common service's way.
inline constexpr quint16 kDefaultHealthPort = 8735;

struct ListenSetting {
    bool off = false;
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = kDefaultHealthPort;

    bool IsLoopback() const { return address.isLoopback(); }
    // "127.0.0.1:8735", "[::1]:8735" or "off": what ParseListenSetting reads back.
    QString Text() const;
};

// Reads "ADDR:PORT" (an IPv4 address, an IPv6 address in brackets, or "localhost"; port 1 to
// 65535) or "off". Nothing, with the reason in error, for anything else: host names are not
// looked up, so a station never listens somewhere a name server chose.
std::optional<ListenSetting> ParseListenSetting(QStringView text, QString& error);
