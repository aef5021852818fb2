#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#endif

namespace Platform {

const QByteArray &lineEnd()
{
#ifdef Q_OS_WIN
    static const QByteArray end("\r\n");
#else
    static const QByteArray end("\n");
#endif
    return end;
}

bool serialDevicePresent(const QString &device)
{
#ifdef Q_OS_WIN
    return !device.isEmpty();
#else
    return !device.isEmpty() && QFileInfo::exists(device);
#endif
}

QString serialDevice(qint64 portNumber)
{
    if (portNumber < 1)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    // The serial devices Linux gives the usual adapters, 32 of each kind:
    // built-in UARTs, USB-serial converters, USB modems (CDC-ACM).
    static const char *const kinds[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    const qint64 kind = (portNumber - 1) / 32;
    if (kind >= 3)
        return QString();
    return QLatin1String(kinds[kind]) + QString::number((portNumber - 1) % 32);
#endif
}

std::optional<bool> pathExists(const QString &path)
{
#ifdef Q_OS_UNIX
    // QFileInfo only says yes or no; a component that is a plain file or a
    // name too long for the file system is neither, and the operator is told.
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    return std::nullopt;
#else
    return QFileInfo::exists(path);
#endif
}

} // namespace Platform
