#include "Pty.h"
#include "link/CommandProtocol.h"
#include "link/QtSerialControl.h"
#include "link/TransmitterLink.h"

#include <QSignalSpy>
#include <QTest>

// The serial control on a real device: a pseudo-terminal whose far end the
// test plays as the transmitter.
class tst_QtSerialControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineArrivesAtOnce();
    void readReturnsEverythingOnce();
    void secondOpenOfSameDeviceIsRefused();
    void refusals_data();
    void refusals();
    void settingsApplyAtNextOpen();
    void farEndVanishingClosesThePort();
};

namespace {

QtSerialControl::DeviceForPort onlyPort(qint64 number, QString device)
{
    return [number, device](qint64 n) { return n == number ? device : QString(); };
}

} // namespace

void tst_QtSerialControl::lineArrivesAtOnce()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialControl comm(onlyPort(3, pty.deviceName()));
    QVERIFY(comm.setSettings(QStringLiteral("115200,n,8,1")));
    QVERIFY(comm.setCommPort(3));
    QVERIFY(comm.setPortOpen(true));
    QVERIFY(comm.portOpen());

    TransmitterLink link(comm);
    link.SendCommand(QLatin1String(Command::Frequency) + CommandField(500000, 6));
    // No event-loop turn in between: the bytes are on the line already.
    QCOMPARE(pty.read(1000, 9), QByteArray::fromHex("3D463530303030300D"));
}

void tst_QtSerialControl::readReturnsEverythingOnce()
{
    Pty pty;
    QtSerialControl comm(onlyPort(1, pty.deviceName()));
    QVERIFY(comm.setCommPort(1));
    QVERIFY(comm.setPortOpen(true));
    QCOMPARE(comm.input(), QByteArray());

    pty.write("#I:VAKO BIRCH\r");
    // Without any event-loop turn, the read fetches what the driver holds.
    QByteArray got;
    for (int i = 0; i < 50 && got.size() < 14; ++i) {
        got += comm.input();
        if (got.size() < 14)
            QTest::qSleep(10);
    }
    QCOMPARE(got, QByteArray("#I:VAKO BIRCH\r"));
    QCOMPARE(comm.input(), QByteArray());
}

void tst_QtSerialControl::secondOpenOfSameDeviceIsRefused()
{
    Pty pty;
    QtSerialControl first(onlyPort(3, pty.deviceName()));
    QtSerialControl second(onlyPort(3, pty.deviceName()));
    QVERIFY(first.setCommPort(3));
    QVERIFY(second.setCommPort(3));
    QVERIFY(first.setPortOpen(true));
    QVERIFY(!second.setPortOpen(true));
    QVERIFY(!second.portOpen());
    // Once released, the port can be had again.
    QVERIFY(first.setPortOpen(false));
    QVERIFY(second.setPortOpen(true));
}

void tst_QtSerialControl::refusals_data()
{
    QTest::addColumn<qint64>("port");
    QTest::addColumn<bool>("numberAccepted");
    QTest::newRow("port 0 names no port") << qint64(0) << false;
    QTest::newRow("negative") << qint64(-3) << false;
    QTest::newRow("beyond 16 bits") << qint64(70000) << false;
    QTest::newRow("no device in the table") << qint64(4) << false;
    QTest::newRow("device that does not exist") << qint64(5) << true;
    QTest::newRow("device name with a NUL") << qint64(6) << false;
}

void tst_QtSerialControl::refusals()
{
    QFETCH(qint64, port);
    QFETCH(bool, numberAccepted);
    QtSerialControl comm([](qint64 n) {
        if (n == 6)
            return QStringLiteral("/dev/") + QChar(u'\0') + QStringLiteral("tty");
        return n == 5 ? QStringLiteral("/dev/vako-no-such-device") : QString();
    });
    QCOMPARE(comm.setCommPort(port), numberAccepted);
    QVERIFY(!comm.setPortOpen(true));
    QVERIFY(!comm.portOpen());
    QVERIFY(!comm.output("=B0\r"));
    QCOMPARE(comm.input(), QByteArray());
    // Closing a port that is not open is no failure.
    QVERIFY(comm.setPortOpen(false));
}

void tst_QtSerialControl::settingsApplyAtNextOpen()
{
    QtSerialControl comm([](qint64) { return QString(); });
    QVERIFY(comm.setSettings(QStringLiteral("9600,n,8,1")));
    QVERIFY(comm.setSettings(QStringLiteral("9600,N,8,1")));
    for (const char *bad : {",n,8,1", "abc,n,8,1", "0,n,8,1", "-9600,n,8,1", "9600,e,7,1", "9600"})
        QVERIFY2(!comm.setSettings(QLatin1String(bad)), bad);
}

void tst_QtSerialControl::farEndVanishingClosesThePort()
{
    auto pty = std::make_unique<Pty>();
    QtSerialControl comm(onlyPort(2, pty->deviceName()));
    QVERIFY(comm.setCommPort(2));
    QVERIFY(comm.setPortOpen(true));
    QSignalSpy failed(&comm, &SerialControl::portFailed);
    pty.reset(); // the transmitter's side is gone
    QTRY_VERIFY_WITH_TIMEOUT(!comm.portOpen(), 2000);
    QCOMPARE(failed.count(), 1);
    QVERIFY(!comm.output("=B0\r"));
}

QTEST_GUILESS_MAIN(tst_QtSerialControl)
#include "tst_qtserialcontrol.moc"
