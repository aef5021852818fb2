#include "RigServerModule.h"
#include "RigServer.h"

#include <memory>

// The module's one exported symbol: the panel finds it by name.
extern "C" Q_DECL_EXPORT QObject *vakoStartRigServer(RigTarget &target, const QString &setting,
                                                     QString &failure)
{
    auto server = std::make_unique<RigServer>(target);
    if (const std::optional<QString> told = server->start(setting)) {
        failure = *told;
        return nullptr;
    }
    return server.release();
}
