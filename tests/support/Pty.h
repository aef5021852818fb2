#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the panel opens the device (the slave), the test
// plays the transmitter at the master end.
class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString deviceName() const { return m_device; }

    // Bytes the panel wrote, waiting at most timeoutMs for the first of them
    // and until `expected` bytes have come (or the time is up).
    QByteArray read(int timeoutMs = 1000, int expected = 1);
    // Whatever is there now, without waiting.
    QByteArray readNow() { return read(0, 1); }
    void write(const QByteArray &bytes);
    // The transmitter's end goes away.
    void closeMaster();
    // The transmitter's end itself (non-blocking), for a test that writes
    // from another thread.
    int masterFd() const { return m_master; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_device;
};
