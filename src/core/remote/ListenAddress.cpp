#include "ListenAddress.h"

std::optional<ListenAddress> parseListenAddress(const QString &text)
{
    const QString given = text.trimmed();
    const qsizetype colon = given.lastIndexOf(u':');
    // A bare number is a port on the loopback address; "[::1]:4532" an IPv6 one.
    QString host = colon < 0 ? QString() : given.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = given.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    ListenAddress where{QHostAddress(QHostAddress::LocalHost), quint16(port)};
    if (colon >= 0 && host.compare(u"localhost", Qt::CaseInsensitive) != 0)
        where.address = QHostAddress(host);
    if (where.address.isNull())
        return std::nullopt;
    return where;
}
