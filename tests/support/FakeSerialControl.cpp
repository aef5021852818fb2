#include "FakeSerialControl.h"

QByteArray FakeSerialControl::wire() const
{
    QByteArray all;
    for (const QByteArray &w : writes)
        all += w;
    return all;
}

void FakeSerialControl::failPort()
{
    m_open = false;
    Q_EMIT portFailed();
}

bool FakeSerialControl::setCommPort(qint64 portNumber)
{
    commPortWrites << portNumber;
    m_commPort = portNumber;
    return portNumber > 0 && portNumber <= 32767;
}

bool FakeSerialControl::setSettings(const QString &settings)
{
    settingsWrites << settings;
    if (refuseSettings || !baudRateOfSettings(settings))
        return false;
    m_settings = settings;
    return true;
}

bool FakeSerialControl::setPortOpen(bool open)
{
    if (!open) {
        m_open = false;
        return true;
    }
    if (m_open || refuseOpen || !presentPorts.contains(m_commPort) ||
        busyPorts.contains(m_commPort))
        return false;
    m_open = true;
    ++openCount;
    openPort = m_commPort;
    appliedSettings = m_settings;
    return true;
}

bool FakeSerialControl::output(const QByteArray &bytes)
{
    if (!m_open)
        return false;
    writes << bytes;
    return true;
}

QByteArray FakeSerialControl::input()
{
    if (!m_open)
        return {};
    QByteArray received;
    received.swap(receiveBuffer);
    return received;
}
