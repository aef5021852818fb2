#pragma once

#include "RigConversation.h"

#include <QObject>
#include <QTimer>

class QTcpSocket;

// One station program's connection to the network port: its bytes read in
// bounded chunks, its conversation answered, its flow held back while it
// leaves answers unread or waits for the keying's end. Owned by its socket.
class RigClient : public QObject
{
public:
    RigClient(QTcpSocket *socket, RigTarget &target);

private:
    void serve();
    void answer(const QByteArray &bytes);

    QTcpSocket *m_socket;
    RigConversation m_conversation;
    QTimer m_keyingPoll;
};
