#pragma once

#include "ListenAddress.h"
#include "PeerFilter.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

class QUdpSocket;
class RigTarget;

// The panel's CW keyer port: cwdaemon's UDP protocol (KeyerProtocol), the
// one tlf, xlog, cqrlog and QLog key CW through. Texts are keyed as a
// station program's messages are, one after the other; the speed, the stop
// and the queue are the panel's own. Only the peers the operator allows get
// in. A flood costs nothing but itself: datagrams are read a few at a time
// per turn of the event loop, the queue and the replies are bounded, and the
// system drops what its buffer cannot hold.
class KeyerServer : public QObject
{
    Q_OBJECT
public:
    explicit KeyerServer(RigTarget &target, QObject *parent = nullptr);

    // Starts listening at `setting` (as parseListenAddress reads it) for the
    // peers `allowFrom` names; when the port may not or cannot be opened, why.
    std::optional<QString> start(const QString &setting, const QString &allowFrom);
    // While it listens beyond this computer: where, and whom it lets in.
    QString openBeyond() const;

private:
    void readDatagrams();
    void take(const QByteArray &datagram, const QHostAddress &from, quint16 port);
    void sendDueReplies();

    struct Reply
    {
        QByteArray bytes;
        QHostAddress to;
        quint16 port = 0;
    };
    RigTarget &m_target;
    QUdpSocket *m_socket;
    PeerFilter m_peers;
    Reply m_echo;           // ESC h's reply, for the next text
    QList<Reply> m_replies; // sent once the keying before them is over
    QTimer m_replyPoll;
};
