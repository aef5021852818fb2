// Runs the real vako-txsim and talks to it through its pseudo-terminal the way
// the panel does, with QSerialPort.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The simulator as a child process whose stdout is read line by line.
class Simulator
{
public:
    ~Simulator()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Starts it and waits for its serving line; the device it names, or empty.
    QString start(const QStringList &arguments = {})
    {
        m_process.setProgram(QStringLiteral(VAKO_TXSIM_PATH));
        m_process.setArguments(arguments);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return {};
        const QString prefix = QStringLiteral("vako-txsim: serving ");
        if (!waitForLine([&](const QString &line) { return line.startsWith(prefix); }))
            return {};
        for (const QString &line : std::as_const(m_lines)) {
            if (line.startsWith(prefix))
                return line.mid(prefix.size());
        }
        return {};
    }

    // Waits until a log line ends with text (log lines start with the time).
    bool waitForLogLine(const QString &text)
    {
        return waitForLine([&](const QString &line) { return line.endsWith(text); });
    }

    bool stop(int signalNumber)
    {
        ::kill(static_cast<pid_t>(m_process.processId()), signalNumber);
        if (!m_process.waitForFinished(5000))
            return false;
        readLines();
        return true;
    }

    QProcess &process() { return m_process; }
    const QStringList &lines() const { return m_lines; }

private:
    template <typename Match> bool waitForLine(Match match)
    {
        QDeadlineTimer deadline(5000);
        int checked = 0;
        for (;;) {
            readLines();
            for (; checked < m_lines.size(); ++checked) {
                if (match(m_lines.at(checked)))
                    return true;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    void readLines()
    {
        m_partial += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            m_lines.append(QString::fromLocal8Bit(m_partial.left(end)));
            m_partial.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
};

// Opens the device as the panel opens a serial port.
bool openLikeThePanel(QSerialPort &port, const QString &device)
{
    port.setPortName(device);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    return port.setBaudRate(115200) && port.setDataBits(QSerialPort::Data8) &&
           port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

// What arrives until size bytes are there or ms have passed. (The panel reads
// once, 100 ms after asking; a loaded test machine gets more time.)
QByteArray readFor(QSerialPort &port, int ms, qsizetype size)
{
    QByteArray bytes;
    QDeadlineTimer deadline(ms);
    while (bytes.size() < size && !deadline.hasExpired()) {
        port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        bytes += port.readAll();
    }
    return bytes;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestTxSim : public QObject
{
    Q_OBJECT

private slots:
    void servesThePanelPort();
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void silentAndCustomReply();
    void exclusiveModeDoesNotOutliveACrash();
    void registersInSettingsFile_data();
    void registersInSettingsFile();
    void badPortIsAUsageError();
    void unwritableSettingsFileIsAnError();
};

void TestTxSim::servesThePanelPort()
{
    Simulator simulator;
    const QString device = simulator.start();
    QVERIFY2(device.startsWith("/dev/"), qPrintable(simulator.lines().join('\n')));

    QSerialPort port;
    QVERIFY2(openLikeThePanel(port, device), qPrintable(port.errorString()));
    port.write("=F500100\r?I\r");
    QVERIFY(port.waitForBytesWritten(2000));
    QCOMPARE(readFor(port, 3000, 22), QByteArray("#I:VAKO BIRCH SIM 1.0\r"));
    QVERIFY(simulator.waitForLogLine("rx \"=F500100\\r\"  frequency 500.100 kHz"));
    QVERIFY(simulator.waitForLogLine("rx \"?I\\r\"  information query"));
    QVERIFY(simulator.waitForLogLine("tx \"#I:VAKO BIRCH SIM 1.0\\r\"  information reply"));

    // The panel closes the port and opens it again (a port change, a second
    // run): the device keeps working both ways.
    port.close();
    QVERIFY(simulator.waitForLogLine("tx \"#I:VAKO BIRCH SIM 1.0\\r\"  information reply"));
    QVERIFY2(openLikeThePanel(port, device), qPrintable(port.errorString()));
    port.write("=S 50\r?I\r");
    QVERIFY(port.waitForBytesWritten(2000));
    QCOMPARE(readFor(port, 3000, 22), QByteArray("#I:VAKO BIRCH SIM 1.0\r"));
    QVERIFY(simulator.waitForLogLine("rx \"=S 50\\r\"  speed 5 wpm"));
    port.close();

    QVERIFY(simulator.stop(SIGTERM));
    QCOMPARE(simulator.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.process().exitCode(), 0);
}

void TestTxSim::endsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("SIGTERM") << int(SIGTERM) << "stopped by SIGTERM";
    QTest::newRow("SIGINT (Ctrl-C)") << int(SIGINT) << "stopped by SIGINT";
}

void TestTxSim::endsCleanlyOnSignal()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, lastLine);

    Simulator simulator;
    QVERIFY(!simulator.start().isEmpty());
    QVERIFY(simulator.stop(signalNumber));
    QCOMPARE(simulator.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.process().exitCode(), 0);
    QVERIFY2(simulator.lines().last().endsWith(lastLine), qPrintable(simulator.lines().last()));
}

void TestTxSim::silentAndCustomReply()
{
    Simulator silent;
    const QString silentDevice = silent.start({"--silent"});
    QVERIFY(!silentDevice.isEmpty());
    QSerialPort port;
    QVERIFY2(openLikeThePanel(port, silentDevice), qPrintable(port.errorString()));
    port.write("?I\r");
    QVERIFY(port.waitForBytesWritten(2000));
    QCOMPARE(readFor(port, 300, 1), QByteArray());
    QVERIFY(silent.waitForLogLine("no reply (silent)"));
    port.close();

    Simulator custom;
    const QString device = custom.start({"--info", "ID:ALDER\\x0D\\x0A", "--reply-delay", "0"});
    QVERIFY(!device.isEmpty());
    QVERIFY2(openLikeThePanel(port, device), qPrintable(port.errorString()));
    port.write("?I\r");
    QVERIFY(port.waitForBytesWritten(2000));
    QCOMPARE(readFor(port, 3000, 10), QByteArray("ID:ALDER\r\n"));
}

void TestTxSim::exclusiveModeDoesNotOutliveACrash()
{
#if !defined(TIOCEXCL) || !defined(TIOCGEXCL)
    QSKIP("the system cannot tell whether a terminal is in exclusive mode");
#else
    Simulator simulator;
    const QString device = simulator.start();
    QVERIFY(!device.isEmpty());

    // A serial port program takes the device exclusively and dies without
    // giving it back: its descriptor is closed by the system, no TIOCNXCL.
    int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QCOMPARE(::ioctl(fd, TIOCEXCL), 0);
    ::close(fd);
    QVERIFY(simulator.waitForLogLine("device opened"));
    QVERIFY(simulator.waitForLogLine("device closed"));

    // Exclusive mode would keep every other user (the panel runs as one) out.
    int exclusive = 1;
    QDeadlineTimer deadline(5000);
    while (exclusive && !deadline.hasExpired()) {
        fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0); // root may open it anyway
        QCOMPARE(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
        ::close(fd);
        if (exclusive)
            QTest::qWait(20);
    }
    QCOMPARE(exclusive, 0);
#endif
}

void TestTxSim::registersInSettingsFile_data()
{
    QTest::addColumn<QByteArray>("before"); // empty: no file
    QTest::addColumn<QByteArray>("after");  // @ stands for the device

    QTest::newRow("no file yet") << QByteArray() << QByteArray("[Ports]\nCom7=@\n");

    // The panel's own settings, CR LF, with blanks and a comment: only the new
    // section is added at the end.
    const QByteArray settings = "[VAKO]\r\nModel=BIRCH\r\nKeyer_Type= 2\r\n; operator's note\r\n"
                                "[BIRCH_settings]\r\nFrequency = 500000\r\nPortnumber= 7\r\n";
    QTest::newRow("no [Ports] yet") << settings << settings + "[Ports]\r\nCom7=@\r\n";

    // Other ports stay, the new entry follows the section's last entry.
    QTest::newRow("other ports")
        << QByteArray("[ports]\nCom1=/dev/ttyUSB0\nCom12 = /dev/ttyS3\n\n[VAKO]\nModel=ALDER\n")
        << QByteArray("[ports]\nCom1=/dev/ttyUSB0\nCom12 = /dev/ttyS3\nCom7=@\n\n[VAKO]\n"
                      "Model=ALDER\n");
}

void TestTxSim::registersInSettingsFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath("vako-panel.ini");
    if (!before.isEmpty()) {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }

    Simulator simulator;
    const QString device = simulator.start({"--ini", ini, "--port", "7"});
    QVERIFY2(!device.isEmpty(), qPrintable(simulator.process().readAllStandardError()));
    // The file is complete before the serving line announces the device.
    QCOMPARE(fileBytes(ini), QByteArray(after).replace('@', device.toLocal8Bit()));
    QVERIFY(simulator.stop(SIGTERM));
    QCOMPARE(simulator.process().exitCode(), 0);
}

void TestTxSim::badPortIsAUsageError()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("vako-panel.ini");
    const QByteArray before = "[Ports]\nCom1=/dev/ttyUSB0\n";
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    for (const char *port : {"0", "101", "x"}) {
        QProcess process;
        process.start(QStringLiteral(VAKO_TXSIM_PATH),
                      {"--ini", ini, "--port", QString::fromLatin1(port)});
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains("--port"));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
    QCOMPARE(fileBytes(ini), before);
}

void TestTxSim::unwritableSettingsFileIsAnError()
{
    // A settings file the operator made read-only is left alone, and the
    // simulator does not pretend the panel will find the device.
    QTemporaryDir dir;
    const QString ini = dir.filePath("vako-panel.ini");
    const QByteArray before = "[VAKO]\nModel=ALDER\n";
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    QProcess process;
    process.start(QStringLiteral(VAKO_TXSIM_PATH), {"--ini", ini, "--port", "3"});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains(ini.toLocal8Bit()));
    QVERIFY(!process.readAllStandardOutput().contains("serving"));
    QCOMPARE(fileBytes(ini), before);
}

QTEST_GUILESS_MAIN(TestTxSim)
#include "tst_txsim.moc"
