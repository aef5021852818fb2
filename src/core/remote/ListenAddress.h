#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

// Where the network port listens: "4532" is the loopback address's port
// 4532; "127.0.0.1:4532", "[::1]:4532" or "0.0.0.0:4532" as written.
// Empty (the port is off) and anything else (nullopt) listen nowhere.
struct ListenAddress
{
    QHostAddress address;
    quint16 port = 0;
};
std::optional<ListenAddress> parseListenAddress(const QString &text);
