#pragma once

#include "link/SerialControl.h"

#include <QList>
#include <QSet>

#include <utility>

// A scripted serial control: records every write, hands out queued received
// text, and opens only present ports that are not busy (held elsewhere).
class FakeSerialControl : public SerialControl
{
    Q_OBJECT
public:
    using SerialControl::SerialControl;

    QSet<qint64> presentPorts, busyPorts;
    bool refuseOpen = false;
    QList<QByteArray> writes; // one entry per write
    QByteArray receiveBuffer; // a read returns it all and empties it
    QList<QString> settingsWrites;
    int openCount = 0;
    QString appliedSettings; // as the port was last opened with
    qint64 openPort = 0;

    QByteArray wire() const { return writes.join(); }
    void clearWrites() { writes.clear(); }
    void failPort() // as an adapter pulled out
    {
        m_open = false;
        Q_EMIT portFailed();
    }
    bool setCommPort(qint64 portNumber) override
    {
        m_commPort = portNumber;
        return portNumber > 0 && portNumber <= 32767;
    }
    bool setSettings(const QString &settings) override
    {
        settingsWrites << settings;
        if (!baudRateOfSettings(settings))
            return false;
        m_settings = settings;
        return true;
    }
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override
    {
        if (open && (m_open || refuseOpen || !presentPorts.contains(m_commPort) ||
                     busyPorts.contains(m_commPort)))
            return false;
        if ((m_open = open)) {
            ++openCount;
            openPort = m_commPort;
            appliedSettings = m_settings;
        }
        return true;
    }
    bool output(const QByteArray &bytes) override
    {
        if (m_open)
            writes << bytes;
        return m_open;
    }
    QByteArray input() override { return m_open ? std::exchange(receiveBuffer, {}) : QByteArray(); }

private:
    qint64 m_commPort = 0;
    QString m_settings = QStringLiteral("9600,n,8,1");
    bool m_open = false;
};
