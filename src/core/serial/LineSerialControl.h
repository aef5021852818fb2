#pragma once

#include "SerialLine.h"
#include "serial/SerialControl.h"

#include <QSocketNotifier>

#include <memory>

// The serial control on a real port of a Linux system, through its serial
// line directly. Which device a port number names is decided by the function
// it is given (the port table). Bytes are taken from the line as the event
// loop sees them arrive, and kept up to maxReceived, the newest; bytes the
// driver cannot take at once wait here and go as it takes them.
class LineSerialControl : public DeviceSerialControl
{
    Q_OBJECT
public:
    explicit LineSerialControl(DeviceForPort deviceForPort, QObject *parent = nullptr);
    ~LineSerialControl() override;

    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    // Asks the device without taking its lock or setting its line up.
    bool probePort(qint64 portNumber) override;
    bool output(const QByteArray &bytes) override;
    QByteArray input() override;

private:
    // Takes one read's worth from the line: the number of bytes, 0 when it
    // held none or has failed (and is closed then).
    qint64 collect();
    // Hands waiting bytes to the driver, as many as it takes now.
    bool sendWaiting();
    // The line has gone: closed, and said.
    void fail();

    SerialLine m_line;
    // Declared after the line: they go before the descriptor they watch.
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    QByteArray m_received; // at most maxReceived, the newest bytes
    QByteArray m_waiting;  // written, not yet taken by the driver
};
