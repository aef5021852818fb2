#include "serial/SerialControl.h"

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
