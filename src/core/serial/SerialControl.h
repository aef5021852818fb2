#pragma once

#include "PortClaim.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Which device a port number of the Com menu names (the port table).
using DeviceForPort = std::function<QString(qint64 portNumber)>;

// The one serial port to the transmitter, seen through the operations the
// panel uses. Every operation that can fail says so and changes nothing else;
// the callers decide what a failure means.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Selects the port the next open uses. 0 names no port: the write fails,
    // and so does an open after it.
    virtual bool setCommPort(qint64 portNumber) = 0;
    // Line settings text: the baud rate, then ",n,8,1". Takes effect at the
    // next open; a refused text leaves the previous settings in force.
    virtual bool setSettings(const QString &settings) = 0;
    virtual bool portOpen() const = 0;
    // Opens (true) or closes (false) the port. Opening fails when the port is
    // absent, held by another program or not valid, or already open; closing a
    // closed port leaves it closed and succeeds.
    virtual bool setPortOpen(bool open) = 0;
    // Whether each port could be opened now, asked while the port is
    // closed, the ports staying closed: the answers in the order of the
    // numbers. As the start-up's probe asks it of every port but the stored
    // one: by opening and closing each, unless the control has a cheaper way
    // to the same answer.
    virtual QList<PortRefusal> probePorts(const QList<qint64> &portNumbers)
    {
        QList<PortRefusal> refusals;
        for (const qint64 n : portNumbers) {
            const bool free = setCommPort(n) && setPortOpen(true);
            setPortOpen(false);
            refusals << (free ? PortRefusal::None : refusal());
        }
        return refusals;
    }
    // Why the last choice of a port or open failed; None after one that
    // succeeded.
    virtual PortRefusal refusal() const = 0;
    // Writes the bytes in one write, at once, without waiting for the far end.
    virtual bool output(const QByteArray &bytes) = 0;
    // Everything received since the previous read; never waits.
    virtual QByteArray input() = 0;

    // The most received text a control keeps between two reads. Nothing
    // reads the line between two information queries, so a transmitter (or a
    // wrong device) that talks without pause must not grow memory: the
    // oldest bytes are dropped, and a reply that follows stays readable.
    static constexpr qsizetype maxReceived = 64 * 1024;
    // The longest an open (or the start-up's probe of every port at once)
    // holds the window: a port whose open has not returned by then cannot be
    // opened. A Bluetooth serial port may take seconds to find its device;
    // the operator would rather see the window.
    static constexpr int kOpenBoundMs = 1500;
    // The longest a close waits for the bytes the driver still holds.
    static constexpr int kCloseBoundMs = 500;

protected:
    // Appends what arrived to what is kept, dropping the oldest bytes beyond
    // maxReceived.
    static void keepNewest(QByteArray &kept, const QByteArray &arrived);

Q_SIGNALS:
    // An open port failed on its own (the adapter was pulled out, the line
    // broke) and has been closed.
    void portFailed();
};

// What the controls on real ports share: the device a port number names and
// the baud rate of the next open.
class DeviceSerialControl : public SerialControl
{
    Q_OBJECT
public:
    explicit DeviceSerialControl(DeviceForPort deviceForPort, QObject *parent = nullptr);

    bool setCommPort(qint64 portNumber) override;
    bool setSettings(const QString &settings) override;
    PortRefusal refusal() const override { return m_refusal; }

protected:
    DeviceForPort m_deviceForPort;
    QString m_device; // empty: no port selected
    qint32 m_baudRate = 9600;
    PortRefusal m_refusal = PortRefusal::None;
};

// The serial control on this system's real ports (QtSerialControl).
std::unique_ptr<SerialControl> makePortSerialControl(DeviceForPort deviceForPort);

// Why a port cannot be opened, as the Com menu's tooltip and the guide say
// it; empty for None.
QString refusalText(PortRefusal refusal);

// The baud rate of a line settings text "<baud>,n,8,1", or nullopt when the
// text is not one the line can take (empty, a baud rate that is no positive
// whole number, another framing).
std::optional<qint32> baudRateOfSettings(const QString &settings);

// The line settings text for a baud rate as the panel holds it.
QString lineSettingsText(std::optional<qint64> baudRate);
