#include "PseudoTerminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

PseudoTerminal::PseudoTerminal(QObject *parent) : QObject(parent) {}

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open()
{
    close();
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = systemError("openpty");
        m_master = m_slave = -1;
        return false;
    }
    m_path = QString::fromLocal8Bit(name);

    termios settings{};
    if (::tcgetattr(m_slave, &settings) != 0) {
        m_error = systemError("tcgetattr");
        close();
        return false;
    }
    ::cfmakeraw(&settings);
    // The panel talks at 115200 bit/s; a pty ignores the rate, but a reader of
    // the settings sees a serial line as it would be set up.
    ::cfsetispeed(&settings, B115200);
    ::cfsetospeed(&settings, B115200);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0) {
        m_error = systemError("tcsetattr");
        close();
        return false;
    }

    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        m_error = systemError("fcntl");
        close();
        return false;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PseudoTerminal::readAvailable);
    watchDevice();
    return true;
}

void PseudoTerminal::watchDevice()
{
    // Without inotify everything works except the recovery after a crash.
    m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0)
        return;
    const QByteArray path = m_path.toLocal8Bit();
    if (::inotify_add_watch(m_watch, path.constData(),
                            IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(m_watch);
        m_watch = -1;
        return;
    }
    m_watchNotifier = new QSocketNotifier(m_watch, QSocketNotifier::Read, this);
    connect(m_watchNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::readDeviceEvents);
}

void PseudoTerminal::readDeviceEvents()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_watch, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->mask & IN_OPEN) {
                emit deviceOpened();
            } else if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
#ifdef TIOCNXCL
                ::ioctl(m_slave, TIOCNXCL);
#endif
                emit deviceClosed();
            }
            at += static_cast<ssize_t>(sizeof(inotify_event)) + event->len;
        }
    }
}

void PseudoTerminal::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    delete m_watchNotifier;
    m_watchNotifier = nullptr;
    if (m_watch >= 0)
        ::close(m_watch);
    m_watch = -1;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

void PseudoTerminal::readAvailable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            emit received(QByteArray(buffer, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file or a real error: stop watching so the event loop does
        // not spin on a descriptor that is always readable.
        const QString error =
            n == 0 ? QStringLiteral("the pseudo-terminal was closed") : systemError("read");
        m_notifier->setEnabled(false);
        emit failed(error);
        return;
    }
}
