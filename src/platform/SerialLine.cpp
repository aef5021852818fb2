#include "SerialLine.h"

#include "Platform.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The kernel's terminal settings with the baud rate as a number
// (TCGETS2/TCSETS2), which take every rate a driver can make, not only the
// ones with a B constant (14400 and 28800 are common on Windows). Declared
// here: the kernel's own header clashes with the C library's termios.h.
struct LineSettings
{
    unsigned int c_iflag, c_oflag, c_cflag, c_lflag;
    unsigned char c_line;
    unsigned char c_cc[19];
    unsigned int c_ispeed, c_ospeed;
};
static_assert(sizeof(LineSettings) == 44, "the kernel's struct termios2");
const unsigned long kGetLineSettings = _IOR('T', 0x2A, LineSettings);
const unsigned long kSetLineSettings = _IOW('T', 0x2B, LineSettings);
constexpr unsigned int kRateAsNumber = 0010000; // BOTHER: the rate is in c_ospeed

// The rates with a code of their own, given as that code: drivers that
// predate rates as numbers know only these.
unsigned int rateCode(qint32 baudRate)
{
    static const struct
    {
        qint32 rate;
        unsigned int code;
    } codes[] = {{50, B50},           {75, B75},           {110, B110},         {134, B134},
                 {150, B150},         {200, B200},         {300, B300},         {600, B600},
                 {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
                 {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
                 {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
                 {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
                 {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
                 {3500000, B3500000}, {4000000, B4000000}};
    for (const auto &code : codes) {
        if (code.rate == baudRate)
            return code.code;
    }
    return kRateAsNumber;
}

const QStringList &lockFolders()
{
    // Where serial programs keep their lock files; a new lock goes into the
    // first of them this user may write to (on Debian /var/lock, which is
    // /run/lock, where Qt's serial port puts its own).
    static const QStringList folders{
        QStringLiteral("/var/lock"),        QStringLiteral("/run/lock"),
        QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
        QStringLiteral("/etc/locks"),       QDir::tempPath()};
    return folders;
}

// Whether the lock file at `path` holds its device: it is there, and names
// a running process or none at all (unreadable, no number).
bool heldLock(const QString &path)
{
    QFile lock(path);
    if (!lock.exists())
        return false;
    if (!lock.open(QIODevice::ReadOnly))
        return true;
    bool number = false;
    const qint64 pid = lock.readLine(64).trimmed().toLongLong(&number);
    return !number || pid <= 0 || ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString lockName(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(u'/', u'_');
    return QLatin1String("/LCK..") + name;
}

// The lock file's text: the process number, the program's file name and the
// host, one to a line. The UUCP tools read the number; Qt's lock files also
// compare the name with the running process's, so that a number the system
// has given to another program since does not hold the port.
QByteArray lockText()
{
    char program[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", program, sizeof program - 1);
    QByteArray name = length > 0 ? QByteArray(program, length) : QByteArray();
    name = name.mid(name.lastIndexOf('/') + 1);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return QByteArray::number(qint64(::getpid())) + '\n' + name + '\n' + host + '\n';
}

// Takes the device's lock in the first lock folder that takes a file; a lock
// left there by a program that has ended gives way. The path, or empty.
QByteArray takeLock(const QString &device)
{
    const QByteArray text = lockText();
    for (const QString &folder : lockFolders()) {
        const QString name = folder + lockName(device);
        const QByteArray path = QFile::encodeName(name);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) {
                const bool written =
                    ::write(fd, text.constData(), size_t(text.size())) == text.size();
                ::close(fd);
                if (written)
                    return path;
                ::unlink(path.constData());
                break;
            }
            if (errno != EEXIST)
                break; // a folder this user may not write to, or none
            // A lock there is one a program that has ended left, unless a
            // program has taken the port just now.
            if (heldLock(name))
                return QByteArray();
            if (::unlink(path.constData()) != 0)
                break;
        }
    }
    return QByteArray();
}

// Whether the device is there and no running program holds it by its lock
// file, in any of the folders serial programs keep them in.
bool presentAndUnlocked(const QString &device)
{
    if (!Platform::serialDevicePresent(device))
        return false;
    for (const QString &folder : lockFolders()) {
        if (heldLock(folder + lockName(device)))
            return false;
    }
    return true;
}

// Opens the device for reading and writing without waiting, and without
// making it the program's terminal: the descriptor, or -1.
int openDevice(const QString &device)
{
    return ::open(QFile::encodeName(device).constData(),
                  O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Opening raises DTR and RTS; an interface that wires them to keying or PTT
// would key the transmitter. Held inactive, whether the line stays open or
// its hang-up on closing was switched off. A device without modem-control
// lines (a pseudo-terminal) refuses this, which is no failure.
void lowerModemLines(int fd)
{
    const int modemLines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &modemLines);
}

} // namespace

SerialLine::~SerialLine()
{
    close();
}

bool SerialLine::deviceFree(const QString &device)
{
    if (!presentAndUnlocked(device))
        return false;
    const int fd = openDevice(device);
    if (fd < 0)
        return false;
    termios line;
    const bool serial = ::tcgetattr(fd, &line) == 0;
    lowerModemLines(fd);
    ::close(fd);
    return serial;
}

bool SerialLine::open(const QString &device, qint32 baudRate)
{
    if (isOpen() || baudRate <= 0 || !presentAndUnlocked(device))
        return false;
    m_lockFile = takeLock(device);
    if (m_lockFile.isEmpty())
        return false;
    m_fd = openDevice(device);
    LineSettings settings;
    if (m_fd < 0 || ::ioctl(m_fd, kGetLineSettings, &settings) != 0 ||
        ::ioctl(m_fd, TIOCEXCL) != 0) {
        close();
        return false;
    }
    m_savedSettings = QByteArray(reinterpret_cast<const char *>(&settings), sizeof settings);
    // Raw bytes both ways: no echo, no line editing, no signal characters, no
    // CR or LF translated, no XON/XOFF; the receiver on, the modem's carrier
    // ignored; reads return what is there without waiting.
    settings.c_iflag &=
        ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    settings.c_oflag &= ~OPOST;
    settings.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
    settings.c_cflag |= CS8 | CLOCAL | CREAD | rateCode(baudRate);
    settings.c_ispeed = settings.c_ospeed = unsigned(baudRate);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::ioctl(m_fd, kSetLineSettings, &settings) != 0) {
        close();
        return false;
    }
    lowerModemLines(m_fd);
    return true;
}

void SerialLine::close()
{
    if (m_fd >= 0) {
        if (m_savedSettings.size() == int(sizeof(LineSettings)))
            ::ioctl(m_fd, kSetLineSettings, m_savedSettings.constData());
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
    m_savedSettings.clear();
    if (!m_lockFile.isEmpty())
        ::unlink(m_lockFile.constData());
    m_lockFile.clear();
}

qint64 SerialLine::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        return -1;
    const ssize_t written = ::write(m_fd, data, size_t(size));
    if (written >= 0)
        return written;
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

QByteArray SerialLine::read(bool *failed)
{
    *failed = m_fd < 0;
    if (m_fd < 0)
        return QByteArray();
    // A terminal hands over at most its 4 KiB line buffer in one read.
    char buffer[4096];
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got > 0)
        return QByteArray(buffer, got);
    // A raw line that holds nothing reads as 0 bytes, and so does one that
    // has hung up; the hang-up shows when the line is asked.
    if (got == 0)
        *failed = Platform::serialLineGone(m_fd);
    else
        *failed = errno != EAGAIN && errno != EINTR;
    return QByteArray();
}
