#pragma once

#include <QString>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// A raw pseudo-terminal pair: the panel opens the device, the test plays the
// transmitter at the non-blocking master end.
class Pty
{
public:
    Pty()
    {
        char name[256] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&m_master, &m_slave, name, &raw, nullptr) == 0)
            ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_device = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        closeMaster();
        ::close(m_slave);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    QString deviceName() const { return m_device; }
    int masterFd() const { return m_master; } // scripts/bench waits on it for the panel's lines
    // What the panel wrote so far, taken off the line; never waits.
    QByteArray read()
    {
        QByteArray got;
        char buffer[4096];
        for (ssize_t n; (n = ::read(m_master, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        return got;
    }
    // What the line takes now (a full input queue takes less).
    qsizetype write(const QByteArray &bytes)
    {
        return std::max<ssize_t>(::write(m_master, bytes.constData(), size_t(bytes.size())), 0);
    }
    // Bytes sent to the panel that it has not taken off the line yet.
    int waitingForPanel() const
    {
        int n = -1;
        ::ioctl(m_slave, FIONREAD, &n);
        return n;
    }
    bool hangUp() { return ::ioctl(m_slave, TIOCVHANGUP) == 0; } // as an adapter pulled out
    void closeMaster()                                           // the transmitter's end goes away
    {
        ::close(std::exchange(m_master, -1));
    }

private:
    int m_master = -1, m_slave = -1;
    QString m_device;
};
#else
struct Pty // pseudo-terminals are a Unix device
{
    QString deviceName() const { return QString(); }
};
#endif
