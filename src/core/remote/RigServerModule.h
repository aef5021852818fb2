#pragma once

#include <QString>

class QObject;
class RigTarget;

// The network faces (the rig port for station programs, the CW keyer port)
// live in a module of its own beside the program (vako-rigserver), so that
// Qt Network and what it brings (proxy, Kerberos, resolver libraries) are
// loaded only when one of them is switched on.
namespace RigServerModule {

inline constexpr char kName[] = "vako-rigserver";
inline constexpr char kStart[] = "vakoStartRigServer";

// The [Remote] settings (or the command line's) the network faces open by.
struct Settings
{
    QString listen;    // the rig port, as parseListenAddress reads it
    QString keyer;     // the CW keyer port, the same way
    QString allowFrom; // for both, as PeerFilter::fromSetting reads it
};

// What the operator is told: why a port could not be opened (empty when it
// opened), and while one is open beyond this computer, whom it lets in.
struct Outcome
{
    QString failure;
    QString openBeyond;
};

// The module's entry: the servers `settings` switch on for `target`, in one
// object the caller owns; or none, and the outcome says why. A port that
// cannot open is told, and the other opens all the same.
using Start = QObject *(*)(RigTarget &target, const Settings &settings, Outcome &outcome);

inline constexpr char kRigPort[] = "The port for other programs";
inline constexpr char kKeyerPort[] = "The CW keyer port";

// The operator's message when a port cannot be opened.
inline QString failure(const QString &setting, const QString &reason, const char *port = kRigPort)
{
    return QStringLiteral("%1 (%2) cannot be opened: %3.\nThe panel runs on without it.")
        .arg(QLatin1String(port), setting.trimmed(), reason);
}

} // namespace RigServerModule
