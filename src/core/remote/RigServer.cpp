#include "RigServer.h"

#include "RigProtocol.h"
#include "RigServerModule.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

// Bytes taken from one client per turn of the event loop, and the answers
// it may leave unread before it is read no more: a client that floods the
// port shares the window's time with it and holds bounded memory.
constexpr qint64 kChunk = 4096;
constexpr qint64 kUnreadAnswers = 64 * 1024;

// How often a client waiting for the keying's end asks again: a Stop click
// or another client's stop_morse ends the wait this soon.
constexpr int kKeyingPollMs = 20;

class RigClient : public QObject
{
public:
    RigClient(QTcpSocket *socket, RigTarget &target)
        : QObject(socket), m_socket(socket), m_conversation(target)
    {
        // The socket stops reading from the system when this much waits:
        // the client's own connection then holds back what it sends.
        m_socket->setReadBufferSize(kChunk);
        m_keyingPoll.setSingleShot(true);
        m_keyingPoll.setInterval(kKeyingPollMs);
        connect(&m_keyingPoll, &QTimer::timeout, this, [this] { answer({}); });
        connect(m_socket, &QTcpSocket::readyRead, this, &RigClient::serve);
        connect(m_socket, &QTcpSocket::bytesWritten, this, &RigClient::serve);
        connect(m_socket, &QTcpSocket::disconnected, m_socket, &QObject::deleteLater);
    }

private:
    void serve()
    {
        if (m_conversation.ended() || m_conversation.waiting() ||
            m_socket->bytesToWrite() > kUnreadAnswers)
            return; // resumed when the client has read its answers or the wait is over
        answer(m_socket->read(kChunk));
    }

    void answer(const QByteArray &bytes)
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

    QTcpSocket *m_socket;
    RigConversation m_conversation;
    QTimer m_keyingPoll;
};

} // namespace

std::optional<ListenAddress> parseListenAddress(const QString &text)
{
    const QString given = text.trimmed();
    const qsizetype colon = given.lastIndexOf(u':');
    // A bare number is a port on the loopback address; "[::1]:4532" an IPv6 one.
    QString host = colon < 0 ? QString() : given.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = given.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    ListenAddress where{QHostAddress(QHostAddress::LocalHost), quint16(port)};
    if (colon >= 0 && host.compare(u"localhost", Qt::CaseInsensitive) != 0)
        where.address = QHostAddress(host);
    if (where.address.isNull())
        return std::nullopt;
    return where;
}

RigServer::RigServer(RigTarget &target, QObject *parent)
    : QObject(parent), m_target(target), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &RigServer::accept);
}

std::optional<QString> RigServer::start(const QString &setting)
{
    if (setting.trimmed().isEmpty())
        return std::nullopt;
    const std::optional<ListenAddress> where = parseListenAddress(setting);
    QString reason = QStringLiteral("it is no port number, nor an address and a port number");
    if (where && m_server->listen(where->address, where->port))
        return std::nullopt;
    if (where)
        reason = m_server->errorString();
    return RigServerModule::failure(setting, reason);
}

void RigServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_clients >= kMaxClients) {
            // Told so in the protocol's own words, then let go.
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->write("RPRT " + QByteArray::number(RigResult::Busy) + '\n');
            socket->disconnectFromHost();
            continue;
        }
        ++m_clients;
        connect(socket, &QObject::destroyed, this, [this] { --m_clients; });
        new RigClient(socket, m_target);
    }
}

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
