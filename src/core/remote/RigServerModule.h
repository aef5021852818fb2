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

// The module's entry: a server for `target` listening at `setting` (as
// parseListenAddress reads it), owned by the caller; or none, and `failure`
// says why for the operator.
using Start = QObject *(*)(RigTarget &target, const QString &setting, QString &failure);

// The operator's message when the port cannot be opened.
inline QString failure(const QString &setting, const QString &reason)
{
    return QStringLiteral("The port for other programs (%1) cannot be opened: %2.\n"
                          "The panel runs on without it.")
        .arg(setting.trimmed(), reason);
}

} // namespace RigServerModule
