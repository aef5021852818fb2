#pragma once

#include "RigConversation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QTcpSocket;

// One station program's connection to the network port: its bytes read in
// bounded chunks, its conversation answered, its flow held back while it
// leaves answers unread or waits for the keying's end. Owned by its socket.
class RigClient : public QObject
{
public:
    // Bytes taken from one client per turn of the event loop, and all that
    // its socket holds before the client's own connection holds it back.
    static constexpr qint64 kChunk = 4096;

    RigClient(QTcpSocket *socket, RigTarget &target);

    // How long it has said nothing; a client waiting for the keying's end
    // is not silent.
    qint64 silentMs() const { return m_conversation.waiting() ? 0 : m_heard.elapsed(); }
    // Ends the connection at once, and with it this client.
    void leave();

private:
    void serve();
    void answer(const QByteArray &bytes);

    QTcpSocket *m_socket;
    RigConversation m_conversation;
    QTimer m_keyingPoll;
    QElapsedTimer m_heard; // since the client last sent something
};
