#pragma once

#include <QString>

class QObject;
class RigTarget;

// The network port's server lives in a module of its own beside the program
// (vako-rigserver), so that Qt Network and what it brings (proxy, Kerberos,
// resolver libraries) are loaded only when the port is switched on.
namespace RigServerModule {

inline constexpr char kName[] = "vako-rigserver";
inline constexpr char kStart[] = "vakoStartRigServer";

// The [Remote] settings (or the command line's) the network faces open by.
struct Settings
{
    QString listen;    // as parseListenAddress reads it
    QString allowFrom; // as PeerFilter::fromSetting reads it
};

// What the operator is told: why a port could not be opened (empty when it
// opened), and while one is open beyond this computer, whom it lets in.
struct Outcome
{
    QString failure;
    QString openBeyond;
};

// The module's entry: a server for `target` as `settings` say, owned by the
// caller; or none, and the outcome says why.
using Start = QObject *(*)(RigTarget &target, const Settings &settings, Outcome &outcome);

// The operator's message when the port cannot be opened.
inline QString failure(const QString &setting, const QString &reason)
{
    return QStringLiteral("The port for other programs (%1) cannot be opened: %2.\n"
                          "The panel runs on without it.")
        .arg(setting.trimmed(), reason);
}

} // namespace RigServerModule
