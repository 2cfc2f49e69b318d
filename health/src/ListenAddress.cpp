// The --listen option's text, read and written.
#include "health/ListenAddress.h"

QString ListenSetting::Text() const {
    if (off) return QStringLiteral("off");
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

std::optional<ListenSetting> ParseListenSetting(QStringView text, QString& error) {
    ListenSetting setting;
    if (text == u"off") {
        setting.off = true;
        return setting;
    }
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0) {
        error = QStringLiteral("'%1' is not ADDR:PORT or off.").arg(text);
        return std::nullopt;
    }
    QStringView host = text.first(colon);
    bool portOk = false;
    const uint port = text.sliced(colon + 1).toUInt(&portOk);
    if (!portOk || port == 0 || port > 65535) {
        error = QStringLiteral("'%1' is not a port number from 1 to 65535.").arg(text.sliced(colon + 1));
        return std::nullopt;
    }
    const bool bracketed = host.startsWith(u'[') && host.endsWith(u']');
    if (bracketed) host = host.sliced(1, host.size() - 2);
    if (host == u"localhost") {
        setting.address = QHostAddress(QHostAddress::LocalHost);
    } else if (!setting.address.setAddress(host.toString()) ||
               (setting.address.protocol() == QAbstractSocket::IPv6Protocol) != bracketed) {
        error = QStringLiteral("'%1' is not an IPv4 address or an IPv6 address in brackets.").arg(host);
        return std::nullopt;
    }
    setting.port = static_cast<quint16>(port);
    return setting;
}
