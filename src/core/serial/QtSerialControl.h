#pragma once

#include "PortClaim.h"
#include "serial/SerialControl.h"

#include <QSerialPort>

// The serial control on a real port, through Qt Serial Port, on every
// system. Which device a port number names is decided by the function it is
// given (the port table). Before Qt Serial Port opens a device, the
// platform's claim takes it (links followed, other programs' locks honoured,
// the kernel's lock held, all within a time bound); Qt Serial Port's own
// lock file and exclusive mode follow with its open.
class QtSerialControl : public DeviceSerialControl
{
    Q_OBJECT
public:
    explicit QtSerialControl(DeviceForPort deviceForPort, QObject *parent = nullptr);
    ~QtSerialControl() override;

    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    QList<PortRefusal> probePorts(const QList<qint64> &portNumbers) override;
    bool output(const QByteArray &bytes) override;
    QByteArray input() override;

private:
    void onError(QSerialPort::SerialPortError error);
    void collect();
    void close();

    QSerialPort m_port;
    PortClaim m_claim;
    bool m_closing = false;
    QByteArray m_received;  // at most maxReceived, the newest bytes
    qint64 m_collected = 0; // bytes taken from the port since it was made
};
