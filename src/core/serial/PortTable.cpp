#include "serial/PortTable.h"

#include "Platform.h"
#include "settings/IniFile.h"

#include <algorithm>

bool isUsableDeviceName(const QString &device)
{
    return !device.isEmpty() &&
           std::none_of(device.begin(), device.end(), [](QChar c) { return c.unicode() < 0x20; });
}

PortTable PortTable::fromSettings(const IniDocument &settings)
{
    const QString section = QStringLiteral("Ports");
    if (!settings.hasSection(section))
        return platformDefault();
    PortTable table;
    table.m_explicit = true;
    for (const auto &[key, device] : settings.entries(section)) {
        if (!key.startsWith(QLatin1String("Com"), Qt::CaseInsensitive) ||
            !isUsableDeviceName(device))
            continue;
        const QStringView digits = QStringView(key).mid(3);
        bool ok = false;
        const int number = digits.toInt(&ok);
        // "Com7" only: no sign, no blank, no leading zero.
        if (!ok || number < 1 || number > kHighestPort || digits != QString::number(number))
            continue;
        if (!table.m_devices.contains(number)) // the first entry of a number counts
            table.m_devices.insert(number, device);
    }
    return table;
}

PortTable PortTable::platformDefault()
{
    return PortTable();
}

QString PortTable::deviceFor(qint64 portNumber) const
{
    if (portNumber < 1 || portNumber > kHighestPort)
        return QString();
    if (m_explicit)
        return m_devices.value(static_cast<int>(portNumber));
    return Platform::serialDevice(portNumber);
}
