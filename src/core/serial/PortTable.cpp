#include "serial/PortTable.h"

#include "Platform.h"
#include "settings/IniFile.h"

#include <algorithm>

namespace {

// A device text the system can take as a file name. A NUL (or any other
// control character) cuts the name short where the system reads it: the
// serial port's lock file would then be made under one name and looked for
// under another, left behind for good, and Qt recurses without end trying
// to clear such a stale lock. A device name with one names no device.
bool usableDeviceName(const QString &device)
{
    return !device.isEmpty() &&
           std::none_of(device.begin(), device.end(), [](QChar c) { return c.unicode() < 0x20; });
}

} // namespace

PortTable PortTable::fromSettings(const IniDocument &settings)
{
    const QString section = QStringLiteral("Ports");
    if (!settings.hasSection(section))
        return platformDefault();
    PortTable table;
    table.m_explicit = true;
    for (const auto &[key, device] : settings.entries(section)) {
        if (!key.startsWith(QLatin1String("Com"), Qt::CaseInsensitive) || !usableDeviceName(device))
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
