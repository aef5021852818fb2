#include "Pty.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

Pty::Pty()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw, so that a carriage return arrives as the byte the panel wrote.
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_device = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

QByteArray Pty::read(int timeoutMs, int expected)
{
    QByteArray got;
    if (m_master < 0)
        return got;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, n);
            if (got.size() >= expected)
                continue; // drain what is there, then return
        }
        if (n <= 0 && got.size() >= expected)
            return got;
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return got;
        pollfd p{m_master, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
}

void Pty::write(const QByteArray &bytes)
{
    if (m_master >= 0 && ::write(m_master, bytes.constData(), bytes.size()) < 0)
        return;
}

void Pty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
