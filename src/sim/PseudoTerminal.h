#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A pseudo-terminal whose slave side stands in for the transmitter's serial
// port: the panel opens the slave device like any serial port and this
// object reads and writes the master side.
//
// The slave is put in raw mode, so a CR reaches the master as a CR (not
// turned into LF) and nothing is echoed back to the panel. This object keeps
// the slave open itself for its whole life: without that, the pty reports a
// hang-up (reads on the master fail with EIO) whenever no panel has the
// device open, e.g. between two panel runs, and the terminal settings would
// be lost with the last close.
//
// Holding the slave open has one catch: a serial port program (QSerialPort
// among them) opens the device in exclusive mode and leaves it with its
// close, but a program that crashes never does, and since the tty is still
// open here the mode would outlive it and every later open would fail with
// "Device or resource busy". So this object watches the device for opens and
// closes and lifts the exclusive mode after each close.
class PseudoTerminal : public QObject
{
    Q_OBJECT

public:
    explicit PseudoTerminal(QObject *parent = nullptr);
    ~PseudoTerminal() override;

    // Opens the pair; false with errorString() set when the system refuses.
    bool open();
    bool isOpen() const { return m_master >= 0; }
    // The slave's device path, e.g. "/dev/pts/5".
    QString devicePath() const { return m_path; }
    QString errorString() const { return m_error; }

    // Writes to the panel without blocking. False when not all bytes could be
    // written: the pty buffer is full because nobody reads the device.
    bool write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    // Reading failed for good (not expected while the slave is held open).
    void failed(const QString &error);
    // Another program opened or closed the device (as far as the system can
    // tell; not available everywhere).
    void deviceOpened();
    void deviceClosed();

private:
    void readAvailable();
    void close();
    void watchDevice();
    void readDeviceEvents();

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
    int m_watch = -1; // inotify descriptor
    QSocketNotifier *m_watchNotifier = nullptr;
};
