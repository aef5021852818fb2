#pragma once

#include "ListenAddress.h"

#include <QObject>
#include <QString>

#include <optional>

class QTcpServer;
class RigTarget;

// The panel's network port for station programs: Hamlib's network rig
// protocol (RigConversation) for a few clients at once. Each client costs
// only its own connection when it misbehaves: a line too long ends it, one
// that never ends costs at most that much memory, and a client that sends
// faster than it reads its answers is not read until it does.
class RigServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxClients = 4;

    explicit RigServer(RigTarget &target, QObject *parent = nullptr);

    // Starts listening at `setting` (as parseListenAddress reads it) unless
    // it is empty; when the port cannot be opened (in use, no address of this
    // computer, no address at all), the operator's message saying so.
    std::optional<QString> start(const QString &setting);

private:
    void accept();

    RigTarget &m_target;
    QTcpServer *m_server;
    int m_clients = 0;
};
