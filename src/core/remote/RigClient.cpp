#include "RigClient.h"

#include <QTcpSocket>

namespace {

// The answers a client may leave unread before it is read no more: a client
// that floods the port shares the window's time with it and holds bounded
// memory.
constexpr qint64 kUnreadAnswers = 64 * 1024;

// How often a client waiting for the keying's end asks again: a Stop click
// or another client's stop_morse ends the wait this soon.
constexpr int kKeyingPollMs = 20;

} // namespace

RigClient::RigClient(QTcpSocket *socket, RigTarget &target)
    : QObject(socket), m_socket(socket), m_conversation(target)
{
    // The socket stops reading from the system when this much waits:
    // the client's own connection then holds back what it sends.
    m_socket->setReadBufferSize(kChunk);
    m_keyingPoll.setSingleShot(true);
    m_keyingPoll.setInterval(kKeyingPollMs);
    connect(&m_keyingPoll, &QTimer::timeout, this, [this] { answer({}); });
    m_heard.start();
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        m_heard.start();
        serve();
    });
    connect(m_socket, &QTcpSocket::bytesWritten, this, &RigClient::serve);
    connect(m_socket, &QTcpSocket::disconnected, m_socket, &QObject::deleteLater);
    if (m_socket->bytesAvailable() > 0) // sent while it waited for its place
        QTimer::singleShot(0, this, &RigClient::serve);
}

void RigClient::leave()
{
    m_socket->abort();
    m_socket->deleteLater();
}

void RigClient::serve()
{
    if (m_conversation.ended() || m_conversation.waiting() ||
        m_socket->bytesToWrite() > kUnreadAnswers)
        return; // resumed when the client has read its answers or the wait is over
    answer(m_socket->read(kChunk));
}

void RigClient::answer(const QByteArray &bytes)
{
    const QByteArray answers = m_conversation.take(bytes);
    if (!answers.isEmpty())
        m_socket->write(answers);
    if (m_conversation.ended())
        m_socket->disconnectFromHost(); // once the last answer is out
    else if (m_conversation.waiting())
        m_keyingPoll.start();
    else if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &RigClient::serve);
}
