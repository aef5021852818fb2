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
    // The filter `allowFrom` names; nullopt, and why for the operator in
    // `reason`, when an entry is neither an address nor a subnet.
    static std::optional<PeerFilter> fromSetting(const QString &allowFrom, QString &reason);

    bool given() const { return m_given; }
    bool allows(QHostAddress peer) const;
    // For the window while `port` (its caption) listens at `address` beyond
    // this computer: where, and whom it lets in; empty on loopback.
    QString openBeyond(const char *port, const QHostAddress &address, quint16 number) const;

private:
    bool m_given = false;
    QList<QPair<QHostAddress, int>> m_subnets;
    QStringList m_entries; // as written
};

// The rule every network face keeps: a port beyond this computer opens only
// for named peers. Where a face may listen by its `setting` and
// `allowFrom`, and whom it lets in; nullopt, and why in the operator's words
// in `reason`, when it may not.
struct PortAdmission
{
    ListenAddress where;
    PeerFilter peers;
};
std::optional<PortAdmission> admitPort(const QString &setting, const QString &allowFrom,
                                       QString &reason);
