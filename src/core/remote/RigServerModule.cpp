#include "RigServerModule.h"
#include "RigServer.h"

#include <memory>

// The module's one exported symbol: the panel finds it by name.
extern "C" Q_DECL_EXPORT QObject *vakoStartRigServer(RigTarget &target,
                                                     const RigServerModule::Settings &settings,
                                                     RigServerModule::Outcome &outcome)
{
    auto server = std::make_unique<RigServer>(target);
    if (const std::optional<QString> told = server->start(settings.listen, settings.allowFrom)) {
        outcome.failure = *told;
        return nullptr;
    }
    outcome.openBeyond = server->openBeyond();
    return server.release();
}
