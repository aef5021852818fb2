#include "RigServer.h"

#include "Platform.h"
#include "RigClient.h"
#include "RigResult.h"
#include "RigServerModule.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Told in the protocol's own words that every place is taken, then let go.
void tellBusy(QTcpSocket *socket)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return socket->deleteLater();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->write("RPRT " + QByteArray::number(RigResult::Busy) + '\n');
    socket->disconnectFromHost();
}

} // namespace

RigServer::RigServer(RigTarget &target, int silenceMs, QObject *parent)
    : QObject(parent), m_target(target), m_silenceMs(silenceMs), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &RigServer::accept);
    m_admission.setInterval(std::min(1000, m_silenceMs / 4));
    m_admission.callOnTimeout(this, &RigServer::admit);
}

std::optional<QString> RigServer::start(const QString &setting, const QString &allowFrom)
{
    if (setting.trimmed().isEmpty())
        return std::nullopt;
    const std::optional<ListenAddress> where = parseListenAddress(setting);
    QString bad, reason = QStringLiteral("it is no port number, nor an address and a port number");
    const std::optional<PeerFilter> peers = PeerFilter::fromSetting(allowFrom, bad);
    if (peers)
        m_peers = *peers; // before the first connection can come
    if (!peers)
        reason = QStringLiteral("AllowFrom= names \"%1\", which is no address nor subnet").arg(bad);
    else if (where && m_peers.refusalToListen(*where))
        reason = *m_peers.refusalToListen(*where);
    else if (where && m_server->listen(where->address, where->port))
        return std::nullopt;
    else if (where)
        reason = m_server->errorString();
    return RigServerModule::failure(setting, reason);
}

QString RigServer::openBeyond() const
{
    if (!m_server->isListening() || m_server->serverAddress().isLoopback())
        return QString();
    return QStringLiteral("The port for other programs listens beyond this computer (%1:%2).\n"
                          "It lets in %3 and this computer.")
        .arg(m_server->serverAddress().protocol() == QAbstractSocket::IPv6Protocol
                 ? u'[' + m_server->serverAddress().toString() + u']'
                 : m_server->serverAddress().toString())
        .arg(m_server->serverPort())
        .arg(m_peers.listed());
}

void RigServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        // A peer not allowed is let go before a byte of it is read.
        if (!m_peers.allows(socket->peerAddress())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (m_waiting.size() >= kMaxClients) {
            tellBusy(socket);
            continue;
        }
        socket->setReadBufferSize(RigClient::kChunk); // while it waits for a place, too
        socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        Platform::keepConnectionAlive(socket->socketDescriptor());
        Waiting waiting{socket, {}};
        waiting.since.start();
        m_waiting << waiting;
    }
    admit();
}

void RigServer::admit()
{
    m_clients.removeAll(nullptr);
    while (!m_waiting.isEmpty()) {
        if (m_clients.size() >= kMaxClients) {
            const auto silent = std::max_element(
                m_clients.begin(), m_clients.end(),
                [](const auto &a, const auto &b) { return a->silentMs() < b->silentMs(); });
            if ((*silent)->silentMs() < m_silenceMs)
                break;
            (*silent)->leave(); // its place goes to the one waiting longest
            m_clients.erase(silent);
        }
        QTcpSocket *socket = m_waiting.takeFirst().socket;
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
            continue;
        }
        auto *client = new RigClient(socket, m_target);
        connect(client, &QObject::destroyed, this, &RigServer::admit, Qt::QueuedConnection);
        m_clients << client;
    }
    // One that found no place within the silence time is told the port is busy.
    while (!m_waiting.isEmpty() && m_waiting.first().since.hasExpired(m_silenceMs))
        tellBusy(m_waiting.takeFirst().socket);
    if (m_waiting.isEmpty())
        m_admission.stop();
    else if (!m_admission.isActive())
        m_admission.start();
}
