#include "PeerFilter.h"

#include <QRegularExpression>

std::optional<PeerFilter> PeerFilter::fromSetting(const QString &allowFrom, QString &reason)
{
    PeerFilter filter;
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString &entry : allowFrom.split(separators, Qt::SkipEmptyParts)) {
        filter.m_given = true;
        // An address alone is a subnet of its own address's full length.
        const QString subnet = entry.contains(u'/')   ? entry
                               : entry.contains(u':') ? entry + QStringLiteral("/128")
                                                      : entry + QStringLiteral("/32");
        const QPair<QHostAddress, int> parsed = QHostAddress::parseSubnet(subnet);
        if (parsed.first.isNull()) {
            reason = QStringLiteral("AllowFrom= names \"%1\", which is no address nor subnet")
                         .arg(entry);
            return std::nullopt;
        }
        filter.m_subnets << parsed;
        filter.m_entries << entry;
    }
    return filter;
}

bool PeerFilter::allows(QHostAddress peer) const
{
    // A port listening on "::" sees IPv4 peers as ::ffff:a.b.c.d.
    bool mapped = false;
    if (const quint32 v4 = peer.toIPv4Address(&mapped); mapped)
        peer = QHostAddress(v4);
    if (!m_given)
        return peer.isLoopback();
    if (peer == QHostAddress(QHostAddress::LocalHost) ||
        peer == QHostAddress(QHostAddress::LocalHostIPv6))
        return true;
    peer.setScopeId(QString()); // a link-local peer's interface is not part of its subnet
    return std::any_of(m_subnets.begin(), m_subnets.end(),
                       [&peer](const auto &subnet) { return peer.isInSubnet(subnet); });
}

QString PeerFilter::openBeyond(const char *port, const QHostAddress &address, quint16 number) const
{
    if (address.isLoopback())
        return QString();
    const QString where = address.protocol() == QAbstractSocket::IPv6Protocol
                              ? u'[' + address.toString() + u']'
                              : address.toString();
    return QStringLiteral("%1 listens beyond this computer (%2:%3).\nIt lets in %4 and this "
                          "computer.")
        .arg(QLatin1String(port), where)
        .arg(number)
        .arg(m_entries.join(QStringLiteral(", ")));
}

std::optional<PortAdmission> admitPort(const QString &setting, const QString &allowFrom,
                                       QString &reason)
{
    const std::optional<PeerFilter> peers = PeerFilter::fromSetting(allowFrom, reason);
    if (!peers)
        return std::nullopt;
    const std::optional<ListenAddress> where = parseListenAddress(setting);
    if (!where) {
        reason = QStringLiteral("it is no port number, nor an address and a port number");
        return std::nullopt;
    }
    if (peers->given() || where->address.isLoopback())
        return PortAdmission{*where, *peers};
    reason = QStringLiteral("it would let any computer that reaches it key the transmitter. To let "
                            "station programs on other computers in, name them in the settings "
                            "file's [Remote] section, for example AllowFrom=192.168.1.20 or "
                            "AllowFrom=192.168.1.0/24; this computer needs nothing");
    return std::nullopt;
}
