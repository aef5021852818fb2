#include "PortClaim.h"

#include "Platform.h"

#include <QDeadlineTimer>
#include <QFile>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

constexpr qintptr kNoHandle = -1;

struct Outcome
{
    PortRefusal refusal = PortRefusal::NoAnswer;
    qintptr handle = kNoHandle;
    QString device;
};

void closeHandle(qintptr handle)
{
    if (handle == kNoHandle)
        return;
#ifdef Q_OS_WIN
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
#else
    ::close(int(handle));
#endif
}

#ifdef Q_OS_WIN

Outcome tryDevice(const QString &name, bool keep)
{
    Q_UNUSED(keep); // a COM port opened here would refuse Qt Serial Port's own open
    const QLatin1String device("\\\\.\\"); // the device namespace, which COM10 and above need
    const QString path = name.startsWith(device) ? name : device + name;
    const HANDLE handle =
        ::CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        switch (::GetLastError()) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return {PortRefusal::InUse, kNoHandle, name};
        default:
            return {PortRefusal::NotThere, kNoHandle, name};
        }
    }
    DCB line{};
    line.DCBlength = sizeof line;
    const bool serial = ::GetCommState(handle, &line) != 0;
    ::CloseHandle(handle);
    return {serial ? PortRefusal::None : PortRefusal::NotSerial, kNoHandle, name};
}

#else

PortRefusal refusalOfError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return PortRefusal::NoPermission;
    case EBUSY: // held in exclusive mode (TIOCEXCL) by another program
    case EWOULDBLOCK:
        return PortRefusal::InUse;
    default:
        return PortRefusal::NotThere;
    }
}

// The name a running process has: its program file's name, or where that
// cannot be read (another user's process) the kernel's short name for it,
// which is the first 15 characters of the same.
bool processNamed(qint64 pid, const QByteArray &name)
{
    char program[PATH_MAX] = {};
    const QByteArray proc = "/proc/" + QByteArray::number(pid);
    const ssize_t length = ::readlink((proc + "/exe").constData(), program, sizeof program - 1);
    if (length > 0) {
        QByteArray exe(program, length);
        if (exe.endsWith(" (deleted)")) // replaced by an update while it runs
            exe.chop(10);
        return exe.mid(exe.lastIndexOf('/') + 1) == name;
    }
    QFile comm(QString::fromLatin1(proc + "/comm"));
    return !comm.open(QIODevice::ReadOnly) || comm.readLine(64).trimmed() == name.left(15);
}

// Whether a running program holds `device` by a lock file "LCK..name" (name:
// the path below /dev, '/' as '_') in one of the folders serial programs
// keep them in. The first line is the holder's process number; Qt's lock
// files add the program's name and the host on the next lines. A lock whose
// process has ended, or whose number now belongs to a program of another
// name, holds nothing; nor does one that names no process (empty, a crash
// between its creation and its write), which Qt Serial Port's own lock then
// judges by its age. The panel only reads these files: taking and removing
// its own is Qt Serial Port's, atomically.
bool lockFileHeld(const QByteArray &device)
{
    QByteArray name = device.startsWith("/dev/") ? device.mid(5) : device;
    name.replace('/', '_');
    static const char *const folders[] = {
        "/var/lock",  "/run/lock", "/var/lock/lockdev", "/var/spool/locks", "/var/spool/uucp",
        "/etc/locks", "/tmp",      "/var/tmp"};
    for (const char *folder : folders) {
        QFile lock(QString::fromLocal8Bit(QByteArray(folder) + "/LCK.." + name));
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = lock.read(1024).split('\n');
        bool number = false;
        const qint64 pid = lines.value(0).trimmed().toLongLong(&number);
        if (!number || pid <= 0 || pid > INT_MAX || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
            continue;
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        const QByteArray program = lines.value(1).trimmed(), lockHost = lines.value(2).trimmed();
        if (!lockHost.isEmpty() && lockHost != host)
            return true; // another machine's process, which this one cannot ask
        if (program.isEmpty() || processNamed(pid, program))
            return true;
    }
    return false;
}

// Opening raises DTR and RTS; an interface that wires them to keying or PTT
// would key the transmitter. A device without modem-control lines (a
// pseudo-terminal) refuses this, which is no failure.
void lowerModemLines(int fd)
{
    const int modemLines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &modemLines);
}

Outcome tryDevice(const QString &name, bool keep)
{
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(name).constData(), resolved))
        return {refusalOfError(errno), kNoHandle, name};
    const QByteArray device(resolved);
    if (lockFileHeld(device))
        return {PortRefusal::InUse, kNoHandle, name};
    // Without waiting for a carrier, and without making it this program's
    // terminal.
    const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {refusalOfError(errno), kNoHandle, name};
    termios line;
    if (::tcgetattr(fd, &line) != 0) {
        ::close(fd);
        return {PortRefusal::NotSerial, kNoHandle, name};
    }
    lowerModemLines(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return {refusalOfError(error), kNoHandle, name};
    }
    if (!keep) {
        ::close(fd);
        return {PortRefusal::None, kNoHandle, QFile::decodeName(device)};
    }
    return {PortRefusal::None, qintptr(fd), QFile::decodeName(device)};
}

#endif

// One attempt on its own thread, shared with the thread until both are done
// with it: a waiter that gives up leaves what the thread finally gets to the
// thread, which closes it.
struct Attempt
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    Outcome outcome;
};

std::shared_ptr<Attempt> start(const QString &name, bool keep)
{
    auto attempt = std::make_shared<Attempt>();
    if (!Platform::serialDevicePresent(name)) { // asked cheaply, without a thread
        attempt->done = true;
        attempt->outcome.refusal = PortRefusal::NotThere;
        return attempt;
    }
    std::thread([attempt, name, keep] {
        const Outcome outcome = tryDevice(name, keep);
        const std::lock_guard<std::mutex> lock(attempt->mutex);
        if (attempt->abandoned) {
            closeHandle(outcome.handle);
            return;
        }
        attempt->outcome = outcome;
        attempt->done = true;
        attempt->finished.notify_all();
    }).detach();
    return attempt;
}

Outcome await(Attempt &attempt, const QDeadlineTimer &deadline)
{
    std::unique_lock<std::mutex> lock(attempt.mutex);
    const auto left = std::chrono::milliseconds(deadline.remainingTime());
    if (!attempt.finished.wait_for(lock, left, [&attempt] { return attempt.done; })) {
        attempt.abandoned = true;
        return Outcome{};
    }
    return attempt.outcome;
}

} // namespace

PortClaim::~PortClaim()
{
    release();
}

PortRefusal PortClaim::take(const QString &name, int boundMs)
{
    release();
    const Outcome outcome = await(*start(name, true), QDeadlineTimer(boundMs));
    m_handle = outcome.handle;
    m_device = outcome.refusal == PortRefusal::None ? outcome.device : QString();
    return outcome.refusal;
}

void PortClaim::release()
{
    closeHandle(m_handle);
    m_handle = kNoHandle;
    m_device.clear();
}

QList<PortRefusal> PortClaim::probe(const QStringList &names, int boundMs)
{
    const QDeadlineTimer deadline(boundMs);
    QList<std::shared_ptr<Attempt>> attempts;
    for (const QString &name : names)
        attempts << start(name, false);
    QList<PortRefusal> refusals;
    for (const auto &attempt : attempts)
        refusals << await(*attempt, deadline).refusal;
    return refusals;
}

void drainSerialLine(qintptr handle, int boundMs)
{
    const QDeadlineTimer deadline(boundMs);
    while (!deadline.hasExpired()) {
#ifdef Q_OS_WIN
        COMSTAT queues;
        DWORD errors = 0;
        if (!::ClearCommError(reinterpret_cast<HANDLE>(handle), &errors, &queues) ||
            queues.cbOutQue == 0)
            return;
#else
        int unsent = 0;
        if (::ioctl(int(handle), TIOCOUTQ, &unsent) != 0 || unsent <= 0)
            return;
#endif
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
