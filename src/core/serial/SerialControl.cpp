#include "serial/SerialControl.h"

#include "serial/PortTable.h"

#include <QStringList>

std::optional<qint32> baudRateOfSettings(const QString &settings)
{
    const QStringList parts = settings.split(u',');
    if (parts.size() != 4 || parts[1].compare(u"n", Qt::CaseInsensitive) != 0 || parts[2] != u"8" ||
        parts[3] != u"1")
        return std::nullopt;
    bool ok = false;
    const qint32 baud = parts[0].toInt(&ok);
    if (!ok || baud <= 0 || parts[0].startsWith(u'+'))
        return std::nullopt;
    return baud;
}

QString lineSettingsText(std::optional<qint64> baudRate)
{
    // A baud rate that spells no number gives an empty speed, which the serial
    // control refuses, as it would the empty text of a missing entry.
    const QString speed = baudRate ? QString::number(*baudRate) : QString();
    return speed + QStringLiteral(",n,8,1");
}

void SerialControl::keepNewest(QByteArray &kept, const QByteArray &arrived)
{
    kept.append(arrived);
    if (kept.size() > maxReceived)
        kept.remove(0, kept.size() - maxReceived);
}

DeviceSerialControl::DeviceSerialControl(DeviceForPort deviceForPort, QObject *parent)
    : SerialControl(parent), m_deviceForPort(std::move(deviceForPort))
{
}

bool DeviceSerialControl::setCommPort(qint64 portNumber)
{
    // Port numbers are 16-bit on the wire of the control's callers; anything
    // outside 1..32767 names no port.
    m_device = (portNumber > 0 && portNumber <= 32767) ? m_deviceForPort(portNumber) : QString();
    if (!isUsableDeviceName(m_device))
        m_device.clear();
    m_refusal = m_device.isEmpty() ? PortRefusal::NotThere : PortRefusal::None;
    return !m_device.isEmpty();
}

bool DeviceSerialControl::setSettings(const QString &settings)
{
    const std::optional<qint32> baud = baudRateOfSettings(settings);
    if (!baud)
        return false;
    m_baudRate = *baud;
    return true;
}

QString refusalText(PortRefusal refusal)
{
    switch (refusal) {
    case PortRefusal::None:
        break;
    case PortRefusal::NotThere:
        return QStringLiteral("not there");
    case PortRefusal::NoPermission:
        return QStringLiteral("no permission (join the group dialout)");
    case PortRefusal::InUse:
        return QStringLiteral("in use by another program");
    case PortRefusal::NotSerial:
        return QStringLiteral("not a serial port");
    case PortRefusal::NoAnswer:
        return QStringLiteral("not answering");
    }
    return QString();
}
