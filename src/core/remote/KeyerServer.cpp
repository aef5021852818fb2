#include "KeyerServer.h"

#include "KeyerProtocol.h"
#include "RigServerModule.h"
#include "RigTarget.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

namespace {

// Datagrams taken per turn of the event loop: the window's own events come
// between; a flood beyond what the system buffers is dropped by it.
constexpr int kDatagramsPerTurn = 16;
// Replies waiting for the keying to end: a logger asks for one at a time.
constexpr qsizetype kWaitingReplies = 16;
// How often the keying's end is looked for while a reply waits.
constexpr int kReplyPollMs = 20;

} // namespace

KeyerServer::KeyerServer(RigTarget &target, QObject *parent)
    : QObject(parent), m_target(target), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &KeyerServer::readDatagrams);
    m_replyPoll.setInterval(kReplyPollMs);
    m_replyPoll.callOnTimeout(this, &KeyerServer::sendDueReplies);
}

std::optional<QString> KeyerServer::start(const QString &setting, const QString &allowFrom)
{
    QString reason;
    if (const std::optional<PortAdmission> admitted = admitPort(setting, allowFrom, reason)) {
        m_peers = admitted->peers;
        if (m_socket->bind(admitted->where.address, admitted->where.port))
            return std::nullopt;
        reason = m_socket->errorString();
    }
    return RigServerModule::failure(setting, reason, RigServerModule::kKeyerPort);
}

QString KeyerServer::openBeyond() const
{
    return m_socket->state() == QAbstractSocket::BoundState
               ? m_peers.openBeyond(RigServerModule::kKeyerPort, m_socket->localAddress(),
                                    m_socket->localPort())
               : QString();
}

void KeyerServer::readDatagrams()
{
    for (int i = 0; i < kDatagramsPerTurn && m_socket->hasPendingDatagrams(); ++i) {
        // Read whole (at most 64 KiB, UDP's bound): Windows drops a datagram
        // read into less room than it holds. The parser takes what cwdaemon does.
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (m_peers.allows(datagram.senderAddress()))
            take(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
    }
    if (m_socket->hasPendingDatagrams())
        QTimer::singleShot(0, this, &KeyerServer::readDatagrams);
}

void KeyerServer::take(const QByteArray &datagram, const QHostAddress &from, quint16 port)
{
    using Kind = KeyerProtocol::Request::Kind;
    const KeyerProtocol::Request request = KeyerProtocol::read(datagram);
    // Nothing reaches the transmitter while its port is closed.
    const bool open = m_target.portOpen();
    if (request.kind == Kind::Text && open) {
        // The transmitter's message field is bounded: a longer text goes as
        // several messages, one after the other.
        const int limit = m_target.messageLimit();
        for (qsizetype at = 0; at < request.text.size(); at += limit)
            if (const QString part = request.text.mid(at, limit); !part.trimmed().isEmpty())
                m_target.sendMorse(part);
    } else if (request.kind == Kind::Speed && open) {
        m_target.setSpeed(request.wpm * 10);
    } else if (request.kind == Kind::Abort && open) {
        m_target.stopMorse();
    } else if (request.kind == Kind::Reset) {
        m_target.dropQueuedMorse();
    }
    // As cwdaemon does: ESC h's reply waits for the next text (a later ESC h
    // replaces it), and goes once that text has been keyed; a text's own "^"
    // takes its place.
    const Reply reply{request.reply, from, port};
    if (request.kind == Kind::Echo)
        m_echo = reply;
    if (request.kind != Kind::Text)
        return;
    const Reply due = request.reply.isEmpty() ? m_echo : reply;
    m_echo = {};
    if (!due.bytes.isEmpty() && m_replies.size() < kWaitingReplies) {
        m_replies << due;
        sendDueReplies();
    }
}

void KeyerServer::sendDueReplies()
{
    if (!m_target.keyingStationMessages()) {
        for (const Reply &reply : std::exchange(m_replies, {}))
            m_socket->writeDatagram(reply.bytes, reply.to, reply.port);
    }
    if (m_replies.isEmpty())
        m_replyPoll.stop();
    else if (!m_replyPoll.isActive())
        m_replyPoll.start();
}
