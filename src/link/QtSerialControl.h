#pragma once

#include "link/SerialControl.h"

#include <QSerialPort>

#include <functional>

// The serial control on a real port through QSerialPort. Which device a port
// number names is decided by the function it is given (the port table).
class QtSerialControl : public SerialControl
{
    Q_OBJECT
public:
    using DeviceForPort = std::function<QString(qint64 portNumber)>;

    explicit QtSerialControl(DeviceForPort deviceForPort, QObject *parent = nullptr);
    ~QtSerialControl() override;

    bool setCommPort(qint64 portNumber) override;
    bool setSettings(const QString &settings) override;
    bool portOpen() const override;
    bool setPortOpen(bool open) override;
    bool output(const QByteArray &bytes) override;
    QByteArray input() override;

    QString deviceName() const { return m_device; }

private:
    void onError(QSerialPort::SerialPortError error);

    DeviceForPort m_deviceForPort;
    QSerialPort m_port;
    QString m_device;
    qint32 m_baudRate = 9600;
};
