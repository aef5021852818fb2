#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <optional>

class QTcpServer;
class RigTarget;

// Where the network port listens: "4532" is the loopback address's port
// 4532; "127.0.0.1:4532", "[::1]:4532" or "0.0.0.0:4532" as written.
// Empty (the port is off) and anything else (nullopt) listen nowhere.
struct ListenAddress
{
    QHostAddress address;
    quint16 port = 0;
};
std::optional<ListenAddress> parseListenAddress(const QString &text);

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
