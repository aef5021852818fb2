#include "RigServer.h"

#include "RigClient.h"
#include "RigResult.h"
#include "RigServerModule.h"

#include <QTcpServer>
#include <QTcpSocket>

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
