#pragma once

#include <QString>
#include <QStringList>

#include <QList>

// Why a serial device cannot be had now, as the operator is told it.
enum class PortRefusal
{
    None,         // it can
    NotThere,     // no such device (unplugged, a name no device has)
    NoPermission, // the system refuses this user (on Linux: not in the group dialout)
    InUse,        // another program holds it
    NotSerial,    // something that is no serial line
    NoAnswer,     // its open did not return in time
};

// What the panel takes of a serial device before Qt Serial Port opens it,
// and holds for as long as the port is open.
//
// On Linux: the device a name leads to, every link followed, so that
// /dev/serial/by-id/... and /dev/ttyUSB0 are one port with one lock; a lock
// file of another running program ("LCK..name" in the lock folders, as Qt's
// serial port, minicom and the UUCP tools leave one) keeps the panel out; a
// descriptor of the device holds the kernel's lock on it (flock), which
// picocom and pyserial's exclusive mode take and honour, as root too. DTR
// and RTS, which the system raises on a first open, are lowered at once: an
// interface may wire them to keying or PTT.
// On Windows: a COM port is held by whoever opens it; the claim only finds
// out whether it opens, and why not.
//
// Every attempt runs on a thread of its own and is waited for at most the
// bound given: an open that does not return (a UART whose driver waits for
// a carrier, a Bluetooth port looking for its device, a hung file system)
// counts as NoAnswer, and the thread closes what it finally gets.
class PortClaim
{
public:
    PortClaim() = default;
    ~PortClaim();
    PortClaim(const PortClaim &) = delete;
    PortClaim &operator=(const PortClaim &) = delete;

    // Takes the device `name`; None when it is held now.
    PortRefusal take(const QString &name, int boundMs);
    // Lets the device go (after Qt Serial Port has closed it).
    void release();
    // The device to open: the name with every link followed.
    const QString &device() const { return m_device; }

    // Whether each device could be taken now, without holding it: the answers
    // in the order of the names, all asked at once within one bound.
    static QList<PortRefusal> probe(const QStringList &names, int boundMs);

private:
    qintptr m_handle = -1;
    QString m_device;
};

// Waits, at most `boundMs`, until the driver has sent every byte it holds
// for the open line behind `handle`, so that closing the port (which gives
// the line its old settings back) neither drops them nor sends them at
// another speed.
void drainSerialLine(qintptr handle, int boundMs);
