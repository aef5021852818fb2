#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QProcess>

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef VAKO_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
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
    // The COM ports Windows reports, as Device Manager lists them: a name it
    // does not list is not tried at all, since an open of a name that leads
    // to no port may itself take long. Without that list, every name may be
    // a port.
    if (device.isEmpty())
        return false;
    QString port = device;
    if (port.startsWith(QLatin1String("\\\\.\\")))
        port = port.mid(4);
    HKEY key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                        &key) != ERROR_SUCCESS)
        return true;
    bool listed = false;
    for (DWORD i = 0; !listed; ++i) {
        wchar_t name[256];
        wchar_t value[64];
        DWORD nameLength = 256, valueBytes = sizeof value, type = 0;
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                            reinterpret_cast<LPBYTE>(value), &valueBytes) != ERROR_SUCCESS)
            break;
        const int length = int(valueBytes / sizeof(wchar_t));
        listed = type == REG_SZ && QString::fromWCharArray(value, length)
                                           .remove(QChar(0))
                                           .compare(port, Qt::CaseInsensitive) == 0;
    }
    ::RegCloseKey(key);
    return listed;
#else
    // A plain access() of the name: the start-up asks it of every port in
    // the table, most of them absent.
    return !device.isEmpty() && ::access(QFile::encodeName(device).constData(), F_OK) == 0;
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

bool serialLineGone(qintptr handle)
{
#ifdef Q_OS_UNIX
    pollfd line{int(handle), POLLIN, 0};
    return ::poll(&line, 1, 0) != 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    // A COM port whose device has gone (a USB adapter pulled out) refuses
    // every call on its handle, this one too; a port that is there reports
    // its queues. A port may still refuse the modem-line calls and the wait
    // for line events that needs them, as Wine's COM port on a
    // pseudo-terminal does, while it carries bytes both ways.
    COMSTAT queues;
    DWORD errors = 0;
    return ::ClearCommError(reinterpret_cast<HANDLE>(handle), &errors, &queues) == 0;
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
    const auto result = reinterpret_cast<qintptr>(::ShellExecuteW(
        nullptr, L"open", reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()),
        nullptr, nullptr, SW_SHOWDEFAULT));
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
    file.setFileName(path);
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

std::optional<QByteArray> toAnsiCodePage(const QString &text)
{
#ifdef Q_OS_WIN
    // A character the code page lacks becomes its default character, "?".
    const auto *wide = reinterpret_cast<LPCWCH>(text.utf16());
    const int size = int(text.size());
    QByteArray bytes(::WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr),
                     Qt::Uninitialized);
    ::WideCharToMultiByte(CP_ACP, 0, wide, size, bytes.data(), int(bytes.size()), nullptr, nullptr);
    return bytes;
#else
    Q_UNUSED(text);
    return std::nullopt;
#endif
}

std::optional<QString> fromAnsiCodePage(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    const int size = int(bytes.size());
    QString text(::MultiByteToWideChar(CP_ACP, 0, bytes.constData(), size, nullptr, 0),
                 Qt::Uninitialized);
    ::MultiByteToWideChar(CP_ACP, 0, bytes.constData(), size, reinterpret_cast<LPWSTR>(text.data()),
                          int(text.size()));
    return text;
#else
    Q_UNUSED(bytes);
    return std::nullopt;
#endif
}

bool heldByAnotherProgram(const QString &path)
{
#ifdef Q_OS_WIN
    // Asking for the right to delete, while sharing everything: only a
    // program that holds the file without sharing its deletion refuses.
    const HANDLE file = ::CreateFileW(
        reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), DELETE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(file);
    return false;
#else
    Q_UNUSED(path);
    return false;
#endif
}

bool syncToDisk(QFileDevice &file)
{
    const int descriptor = file.handle();
    if (descriptor < 0)
        return file.isOpen(); // a device without a descriptor of its own to force
#ifdef Q_OS_WIN
    return ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor)));
#else
    return ::fsync(descriptor) == 0;
#endif
}

FontConfigurationReader::FontConfigurationReader()
{
#ifdef VAKO_HAVE_FONTCONFIG
    // FcInit is safe beside the toolkit's own call: whichever comes second
    // finds the configuration read, or reads its own.
    m_thread = std::thread([] { FcInit(); });
#endif
}

FontConfigurationReader::~FontConfigurationReader()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace Platform

void Platform::keepConnectionAlive(qintptr socket)
{
#ifdef Q_OS_LINUX
    // Switched on by the caller (Qt's KeepAliveOption); here only its times.
    const int options[][2] = {{TCP_KEEPIDLE, 60}, {TCP_KEEPINTVL, 10}, {TCP_KEEPCNT, 5}};
    for (const auto &[option, value] : options)
        ::setsockopt(int(socket), IPPROTO_TCP, option, &value, sizeof value);
#else
    Q_UNUSED(socket); // the system's own times
#endif
}
