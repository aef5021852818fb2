#pragma once

#include <QHash>
#include <QString>

class IniDocument;

// Whether a device text can name a device. A NUL (or any other control
// character) cuts the name short where the system reads it: a serial port's
// lock file would be made under one name and looked for under another, and
// the device opened would not be the one named. So a text with one names no
// device.
bool isUsableDeviceName(const QString &device);

// How a port number of the Com menu names a device.
//
// A section "Ports" in the settings file, with entries "Com1" ... "Com100"
// whose values are devices (/dev/ttyUSB0, /dev/serial/by-id/..., COM7), is
// the whole table: a number without an entry names no device. Without that
// section the platform's own numbering applies.
class PortTable
{
public:
    static PortTable fromSettings(const IniDocument &settings);
    static PortTable platformDefault();

    // The device of port n, or the empty text when n names none.
    QString deviceFor(qint64 portNumber) const;

private:
    bool m_explicit = false;
    QHash<int, QString> m_devices;
};
