#include "RigServerModule.h"
#include "KeyerServer.h"
#include "RigServer.h"

#include <memory>

// The module's one exported symbol: the panel finds it by name.
extern "C" Q_DECL_EXPORT QObject *vakoStartRigServer(RigTarget &target,
                                                     const RigServerModule::Settings &settings,
                                                     RigServerModule::Outcome &outcome)
{
    auto servers = std::make_unique<QObject>();
    QStringList failures, beyond;
    if (!settings.listen.trimmed().isEmpty()) {
        auto *server = new RigServer(target, RigServer::kSilenceMs, servers.get());
        if (const std::optional<QString> told = server->start(settings.listen, settings.allowFrom))
            failures << *told;
        beyond << server->openBeyond();
    }
    if (!settings.keyer.trimmed().isEmpty()) {
        auto *keyer = new KeyerServer(target, servers.get());
        if (const std::optional<QString> told = keyer->start(settings.keyer, settings.allowFrom))
            failures << *told;
        beyond << keyer->openBeyond();
    }
    outcome.failure = failures.join(u'\n');
    beyond.removeAll(QString()); // a port on loopback, or not open
    outcome.openBeyond = beyond.join(u'\n');
    return servers.release();
}
