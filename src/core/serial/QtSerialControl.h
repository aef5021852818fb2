#pragma once

#include "serial/SerialControl.h"

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
    // Asks the platform whether the device is free (on Unix without its lock
    // file and line set-up); where only an open can tell, opens and closes it.
    bool probePort(qint64 portNumber) override;
    bool output(const QByteArray &bytes) override;
    QByteArray input() override;

    // The most received text the control keeps between two reads. Nothing
    // reads the line between two information queries, so a transmitter (or a
    // wrong device) that talks without pause must not grow memory: the
    // oldest bytes are dropped, and a reply that follows stays readable.
    static constexpr qsizetype maxReceived = 64 * 1024;

private:
    void onError(QSerialPort::SerialPortError error);
    void collect();

    DeviceForPort m_deviceForPort;
    QSerialPort m_port;
    QByteArray m_received;  // at most maxReceived, the newest bytes
    qint64 m_collected = 0; // bytes taken from the port since it was made
    QString m_device;
    qint32 m_baudRate = 9600;
};
