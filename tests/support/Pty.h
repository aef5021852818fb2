#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// A raw pseudo-terminal pair: the panel opens the device (the slave), the test
// plays the transmitter at the non-blocking master end.
class Pty
{
public:
    Pty()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            m_master = m_slave = -1;
            return;
        }
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_device = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString deviceName() const { return m_device; }
    int masterFd() const { return m_master; }

    // What the panel wrote: waits up to timeoutMs for `expected` bytes.
    QByteArray read(int timeoutMs = 1000, int expected = 1)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (m_master >= 0) {
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
            const qint64 left = timeoutMs - clock.elapsed();
            if (n <= 0 && (got.size() >= expected || left <= 0))
                break;
            pollfd p{m_master, POLLIN, 0};
            if (n <= 0)
                ::poll(&p, 1, int(left));
        }
        return got;
    }
    QByteArray readNow() { return read(0, 1); }
    // Writes what the line takes now; returns the count, or -1. A line whose
    // input queue is full (the panel has not read yet) takes less or nothing.
    qsizetype write(const QByteArray &bytes)
    {
        if (m_master < 0)
            return -1;
        const ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
        return n < 0 ? (errno == EAGAIN ? 0 : -1) : qsizetype(n);
    }
    // Bytes the transmitter sent that the panel has not taken off the line.
    int waitingForPanel() const
    {
        int n = 0;
        return m_slave >= 0 && ::ioctl(m_slave, FIONREAD, &n) == 0 ? n : -1;
    }
    void closeMaster() // the transmitter's end goes away
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_device;
};
