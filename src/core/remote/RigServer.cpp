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
    QString reason;
    if (const std::optional<PortAdmission> admitted = admitPort(setting, allowFrom, reason)) {
        m_peers = admitted->peers; // before the first connection can come
        if (m_server->listen(admitted->where.address, admitted->where.port))
            return std::nullopt;
        reason = m_server->errorString();
    }
    return RigServerModule::failure(setting, reason);
}

QString RigServer::openBeyond() const
{
    return m_server->isListening()
               ? m_peers.openBeyond(RigServerModule::kRigPort, m_server->serverAddress(),
                                    m_server->serverPort())
               : QString();
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
