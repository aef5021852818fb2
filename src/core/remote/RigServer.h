#pragma once

#include "ListenAddress.h"
#include "PeerFilter.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class QTcpServer;
class QTcpSocket;
class RigClient;
class RigTarget;

// The panel's network port for station programs: Hamlib's network rig
// protocol (RigConversation) for a few clients at once, from the peers the
// operator allows (PeerFilter). Each client costs only its own connection
// when it misbehaves: a line too long ends it, one that never ends costs at
// most that much memory, and a client that sends faster than it reads its
// answers is not read until it does. Nobody locks the others out: a
// station program that finds every place taken waits for one, and takes the
// place of the client silent longest once that one has said nothing for
// kSilenceMs; a client that polls, as loggers do, keeps its place.
class RigServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxClients = 4;
    // Loggers poll every second or so; half a minute of silence is a program
    // that hung, a laptop that went to sleep or a connection left open.
    static constexpr int kSilenceMs = 30000;

    explicit RigServer(RigTarget &target, int silenceMs = kSilenceMs, QObject *parent = nullptr);

    // Starts listening at `setting` (as parseListenAddress reads it) for the
    // peers `allowFrom` names, unless `setting` is empty; when the port may
    // not or cannot be opened, the operator's message saying why.
    std::optional<QString> start(const QString &setting, const QString &allowFrom = {});
    // While it listens beyond this computer: where, and whom it lets in.
    QString openBeyond() const;

private:
    void accept();
    void admit();

    struct Waiting
    {
        QTcpSocket *socket;
        QElapsedTimer since;
    };
    RigTarget &m_target;
    const int m_silenceMs;
    QTcpServer *m_server;
    PeerFilter m_peers;
    QList<QPointer<RigClient>> m_clients;
    QList<Waiting> m_waiting; // station programs waiting for a place, in order
    QTimer m_admission;       // looks again while some wait
};
