#include "Platform.h"

#include <QFile>
#include <QFileInfo>

#include <QProcess>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

void openDocument(const QString &path, QObject *context, std::function<void(bool shown)> shown)
{
#ifdef Q_OS_WIN
    // The shell's "open" action; a result above 32 is success.
    const auto result = reinterpret_cast<qintptr>(
        ::ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(path.utf16()), nullptr, nullptr,
                        SW_SHOWDEFAULT));
    shown(result > 32);
    Q_UNUSED(context);
#else
    // xdg-open ends with status 0 once a viewer has the document, and with
    // another status (3: no program can show it) when none can.
    auto *opener = new QProcess(context);
    QObject::connect(opener, &QProcess::finished, context,
                     [opener, shown](int code, QProcess::ExitStatus status) {
                         shown(status == QProcess::NormalExit && code == 0);
                         opener->deleteLater();
                     });
    QObject::connect(opener, &QProcess::errorOccurred, context,
                     [opener, shown](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return; // a crash is told by finished()
                         shown(false);
                         opener->deleteLater();
                     });
    opener->start(QStringLiteral("xdg-open"), {path});
#endif
}

bool openRegularFile(QFile &file, const QString &path)
{
#ifdef Q_OS_WIN
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
#else
    // Looked at before it is opened: opening a serial device raises its
    // modem lines, which may key the transmitter.
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    // And again once open, in case it was swapped meanwhile.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#endif
}

} // namespace Platform
