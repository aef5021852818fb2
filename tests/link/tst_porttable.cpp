#include "link/PortTable.h"
#include "settings/IniFile.h"

#include <QTest>

// How a port number of the Com menu names a device.
class tst_PortTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void platformNumbering_data();
    void platformNumbering();
    void portsSection_data();
    void portsSection();
};

void tst_PortTable::platformNumbering_data()
{
    QTest::addColumn<qint64>("port");
    QTest::addColumn<QString>("device");
#ifdef Q_OS_WIN
    QTest::newRow("1") << qint64(1) << "COM1";
    QTest::newRow("100") << qint64(100) << "COM100";
#else
    QTest::newRow("first UART") << qint64(1) << "/dev/ttyS0";
    QTest::newRow("last UART") << qint64(32) << "/dev/ttyS31";
    QTest::newRow("first USB-serial") << qint64(33) << "/dev/ttyUSB0";
    QTest::newRow("last USB-serial") << qint64(64) << "/dev/ttyUSB31";
    QTest::newRow("first CDC-ACM") << qint64(65) << "/dev/ttyACM0";
    QTest::newRow("last CDC-ACM") << qint64(96) << "/dev/ttyACM31";
    QTest::newRow("97 names none") << qint64(97) << "";
    QTest::newRow("100 names none") << qint64(100) << "";
#endif
    QTest::newRow("0 names none") << qint64(0) << "";
    QTest::newRow("above the menu") << qint64(101) << "";
    QTest::newRow("negative") << qint64(-1) << "";
}

void tst_PortTable::platformNumbering()
{
    QFETCH(qint64, port);
    QFETCH(QString, device);
    QCOMPARE(PortTable::platformDefault().deviceFor(port), device);
    // A settings file without a Ports section keeps the platform's numbering.
    const auto settings = IniDocument::fromBytes("[VAKO]\nModel=BIRCH\n");
    QCOMPARE(PortTable::fromSettings(settings).deviceFor(port), device);
}

void tst_PortTable::portsSection_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<qint64>("port");
    QTest::addColumn<QString>("device");

    const QByteArray table = "[Ports]\n"
                             "Com3=/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\n"
                             "com7 = /dev/ttyUSB4 \n"
                             "Com100=COM7\n"
                             "Com101=/dev/ttyS9\n"
                             "Com05=/dev/ttyS5\n"
                             "Com+6=/dev/ttyS6\n"
                             "Com8=\n"
                             "Com3=/dev/ttyS3\n";
    QTest::newRow("by-id name") << table << qint64(3)
                                << "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0";
    QTest::newRow("key in other case, blanks") << table << qint64(7) << "/dev/ttyUSB4";
    QTest::newRow("highest entry") << table << qint64(100) << "COM7";
    QTest::newRow("no entry names no device") << table << qint64(1) << "";
    QTest::newRow("leading zero is no entry") << table << qint64(5) << "";
    QTest::newRow("sign is no entry") << table << qint64(6) << "";
    QTest::newRow("empty value is no entry") << table << qint64(8) << "";
    QTest::newRow("above 100 never") << table << qint64(101) << "";
    QTest::newRow("empty section: no ports at all") << QByteArray("[Ports]\n") << qint64(1) << "";
    // The system would read these names only up to the NUL (or the control
    // character): they name no device.
    QTest::newRow("NUL in the device")
        << QByteArray("[Ports]\nCom3=/dev/\0tty\n", 22) << qint64(3) << "";
    QTest::newRow("control character in the device")
        << QByteArray("[Ports]\nCom3=/dev/tty\x01S0\n") << qint64(3) << "";
}

void tst_PortTable::portsSection()
{
    QFETCH(QByteArray, section);
    QFETCH(qint64, port);
    QFETCH(QString, device);
    const PortTable table = PortTable::fromSettings(IniDocument::fromBytes(section));
    QVERIFY(table.isExplicit());
    QCOMPARE(table.deviceFor(port), device);
}

QTEST_APPLESS_MAIN(tst_PortTable)
#include "tst_porttable.moc"
