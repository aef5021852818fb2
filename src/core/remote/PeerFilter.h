#pragma once

#include "ListenAddress.h"

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// Who may reach a network port of the panel. A port keys a transmitter that
// only its licensed operator may key, so nobody off this computer gets in
// unless the operator names them in [Remote] AllowFrom=: addresses and
// subnets ("192.168.1.20", "192.168.1.0/24", "fe80::/10"), separated by
// commas or blanks. Once the list is given, the peers let in are this
// computer's own 127.0.0.1 and ::1 and those listed; without it, every
// loopback peer (the port then listens on loopback only).
class PeerFilter
{
public:
    // The filter `allowFrom` names; nullopt, and the entry that is neither an
    // address nor a subnet in `bad`, when one is not.
    static std::optional<PeerFilter> fromSetting(const QString &allowFrom, QString &bad);

    bool given() const { return m_given; }
    bool allows(QHostAddress peer) const;
    // The listed peers as the operator wrote them, for the window to show.
    QString listed() const;

    // The rule every network face keeps: a port beyond this computer opens
    // only for named peers. Why `where` may not open, in the operator's
    // words, or nullopt when it may.
    std::optional<QString> refusalToListen(const ListenAddress &where) const;

private:
    bool m_given = false;
    QList<QPair<QHostAddress, int>> m_subnets;
    QStringList m_entries; // as written
};
