#pragma once

#include "session/SessionState.h"

#include <QString>
#include <QStringView>

#include <optional>

// The settings file's layout, declared once: its sections and keys, and the
// built-in values a first run writes. The settings file, the port table, the
// simulator's port entry and its demo file all read it from here.
namespace SettingsSchema {

inline const QString kGlobalSection = QStringLiteral("VAKO");
inline const QString kModelKey = QStringLiteral("Model");
inline const QString kKeyerKey = QStringLiteral("Keyer_Type");

// The six profile entries of each model's section, in the order both writers
// write them and the reader reads them.
struct ProfileKey
{
    const char *key;
    Number ModelProfile::*field;
};
inline constexpr ProfileKey kProfileKeys[] = {
    {"Frequency", &ModelProfile::Frequency}, {"Step", &ModelProfile::Step},
    {"CW_speed", &ModelProfile::CW_speed},   {"Power", &ModelProfile::Power},
    {"BaudRate", &ModelProfile::BaudRate},   {"Portnumber", &ModelProfile::Portnumber},
};
// A first run writes BIRCH's baud rate as "Baudrate"; keys match without
// regard to case, so both forms address one entry.
inline const QString kFirstRunBirchBaudRateKey = QStringLiteral("Baudrate");

// The port table: entries "Com1" to "Com100" (kPortCount), each naming a device.
inline const QString kPortsSection = QStringLiteral("Ports");
inline QString portKey(int port)
{
    return QStringLiteral("Com%1").arg(port);
}
// The port an entry's key names: "Com7" only (any letter case), no sign,
// blank or leading zero; none for any other key.
inline std::optional<int> portOfKey(QStringView key)
{
    if (!key.startsWith(QLatin1String("Com"), Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView digits = key.mid(3);
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || number < 1 || number > ::kPortCount || digits != QString::number(number))
        return std::nullopt;
    return number;
}

} // namespace SettingsSchema
