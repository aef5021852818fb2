#pragma once

#include "serial/SerialControl.h"

#include <QSerialPort>

// The serial control on a real port through QSerialPort, as Windows drives
// its COM ports. Which device a port number names is decided by the function
// it is given (the port table).
class QtSerialControl : public DeviceSerialControl
{
    Q_OBJECT
public:
    explicit QtSerialControl(DeviceForPort deviceForPort, QObject *parent = nullptr);
    ~QtSerialControl() override;

    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    bool output(const QByteArray &bytes) override;
    QByteArray input() override;

private:
    void onError(QSerialPort::SerialPortError error);
    void collect();

    QSerialPort m_port;
    QByteArray m_received;  // at most maxReceived, the newest bytes
    qint64 m_collected = 0; // bytes taken from the port since it was made
};
