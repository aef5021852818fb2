#include "serial/PortTable.h"

#include "Platform.h"
#include "settings/IniFile.h"
#include "settings/SettingsSchema.h"

#include <algorithm>

bool isUsableDeviceName(const QString &device)
{
    return !device.isEmpty() &&
           std::none_of(device.begin(), device.end(), [](QChar c) { return c.unicode() < 0x20; });
}

PortTable PortTable::fromSettings(const IniDocument &settings)
{
    if (!settings.hasSection(SettingsSchema::kPortsSection))
        return platformDefault();
    PortTable table;
    table.m_explicit = true;
    for (const auto &[key, device] : settings.entries(SettingsSchema::kPortsSection)) {
        const std::optional<int> number = SettingsSchema::portOfKey(key);
        // The first entry of a number counts.
        if (number && isUsableDeviceName(device) && !table.m_devices.contains(*number))
            table.m_devices.insert(*number, device);
    }
    return table;
}

PortTable PortTable::platformDefault()
{
    return PortTable();
}

QString PortTable::deviceFor(qint64 portNumber) const
{
    if (portNumber < 1 || portNumber > kPortCount)
        return QString();
    if (m_explicit)
        return m_devices.value(static_cast<int>(portNumber));
    return Platform::serialDevice(portNumber);
}
