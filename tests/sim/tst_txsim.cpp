// Runs the real vako-txsim and talks to it through its pseudo-terminal as the panel does.

#include <QDeadlineTimer>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The next line of the simulator's output that contains text; empty after 5 s without.
QString waitFor(QProcess &sim, const QString &text)
{
    for (QDeadlineTimer deadline(5000); !deadline.hasExpired(); sim.waitForReadyRead(100)) {
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (line.contains(text))
                return line;
        }
    }
    return {};
}

} // namespace

class tst_TxSim : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void servesThePanel()
    {
        // The panel's own settings, CR LF, a comment and other ports: only Com7 is added.
        const QByteArray head = "[VAKO]\r\nModel=BIRCH\r\n; operator's note\r\n[ports]\r\n"
                                "Com1=/dev/ttyUSB0\r\nCom12 = /dev/ttyS3\r\n";
        const QByteArray tail = "\r\n[BIRCH_settings]\r\nFrequency = 500000\r\n";
        QTemporaryDir dir;
        QFile ini(dir.filePath("vako-panel.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(head + tail) > 0);
        ini.close();
        QProcess sim;
        sim.start(VAKO_TXSIM_PATH, {"--ini", ini.fileName(), "--port", "7"});
        const QString device = waitFor(sim, "vako-txsim: serving ").section("serving ", 1);
        QVERIFY2(device.startsWith("/dev/"), sim.readAllStandardError().constData());
        QVERIFY(ini.open(QIODevice::ReadOnly)); // complete before the device is announced
        QCOMPARE(ini.readAll(), head + "Com7=" + device.toLocal8Bit() + "\r\n" + tail);

        QSerialPort port(device);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.write("=F500100\r?I\r");
        QVERIFY(port.waitForBytesWritten(2000));
        QByteArray reply;
        for (QDeadlineTimer deadline(3000); reply.size() < 22 && !deadline.hasExpired();)
            reply += port.waitForReadyRead(100) ? port.readAll() : QByteArray();
        QCOMPARE(reply, "#I:VAKO BIRCH SIM 1.0\r");
        QVERIFY(!waitFor(sim, R"(rx "=F500100\r"  frequency 500.100 kHz)").isEmpty());
        QVERIFY(!waitFor(sim, R"(rx "?I\r"  information query)").isEmpty());
        QVERIFY(!waitFor(sim, R"(tx "#I:VAKO BIRCH SIM 1.0\r"  information reply)").isEmpty());
        port.close();

#if defined(TIOCEXCL) && defined(TIOCGEXCL)
        // A serial program that dies leaves the device in exclusive mode, which would keep
        // every later user out: the simulator lifts it after each close.
        const QByteArray path = device.toLocal8Bit();
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0);
        ::close(fd);
        int exclusive = 1;
        for (QDeadlineTimer deadline(5000); exclusive && !deadline.hasExpired(); QTest::qWait(20)) {
            if (const int probe = ::open(path.constData(), O_RDWR | O_NOCTTY); probe >= 0) {
                ::ioctl(probe, TIOCGEXCL, &exclusive); // root opens it even while exclusive
                ::close(probe);
            }
        }
        QCOMPARE(exclusive, 0);
#endif

        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!waitFor(sim, "stopped by SIGTERM").isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_TxSim)
#include "tst_txsim.moc"
