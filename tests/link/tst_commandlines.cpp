#include "link/AnsiText.h"
#include "link/CommandProtocol.h"
#include "link/TransmitterLink.h"

#include <QTest>

class tst_CommandLines : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandField_data();
    void commandField();
    void lineBytes_data();
    void lineBytes();
    void carries_data();
    void carries();
    void messageBytes_data();
    void messageBytes();
    void ansiRoundTrip();
};

void tst_CommandLines::commandField_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("field");

    QTest::newRow("BIRCH frequency") << qint64(500000) << 6 << "500000";
    QTest::newRow("ALDER frequency") << qint64(136000) << 6 << "136000";
    QTest::newRow("five digits keep the sign blank") << qint64(99999) << 6 << " 99999";
    QTest::newRow("seven digits lose the first") << qint64(1000000) << 6 << "000000";
    QTest::newRow("speed 20 wpm") << qint64(200) << 3 << "200";
    QTest::newRow("speed 5 wpm space-led") << qint64(50) << 3 << " 50";
    QTest::newRow("speed 0.5 wpm is two characters") << qint64(5) << 3 << " 5";
    QTest::newRow("power width 1") << qint64(2) << 1 << "2";
    QTest::newRow("power on a model switch") << qint64(2) << 3 << " 2";
    QTest::newRow("zero") << qint64(0) << 1 << "0";
    QTest::newRow("negative keeps its minus") << qint64(-5) << 3 << "-5";
    QTest::newRow("negative cut") << qint64(-1234) << 3 << "234";
}

void tst_CommandLines::commandField()
{
    QFETCH(qint64, value);
    QFETCH(int, width);
    QFETCH(QString, field);
    QCOMPARE(CommandField(value, width), field);
}

void tst_CommandLines::lineBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("frequency 500.000")
        << QString(QLatin1String(Command::Frequency) + CommandField(500000, 6))
        << QByteArray::fromHex("3D463530303030300D");
    QTest::newRow("speed 5 wpm") << QString(QLatin1String(Command::Speed) + CommandField(50, 3))
                                 << QByteArray::fromHex("3D532035300D");
    QTest::newRow("keyer menu Iambic B")
        << QStringLiteral("=K 2") << QByteArray::fromHex("3D4B20320D");
    QTest::newRow("stop") << QString::fromLatin1(Command::StopKeying)
                          << QByteArray::fromHex("3D42300D");
    QTest::newRow("empty message") << QString::fromLatin1(Command::Message) << QByteArray("=M\r");
}

void tst_CommandLines::lineBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TransmitterLink::lineBytes(text), bytes);
}

void tst_CommandLines::carries_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("carried");

    QTest::newRow("F lowest") << "=F" << qint64(0) << true;
    QTest::newRow("F highest six digits") << "=F" << qint64(999999) << true;
    QTest::newRow("F seven digits") << "=F" << qint64(1000000) << false;
    QTest::newRow("F negative") << "=F" << qint64(-1) << false;
    QTest::newRow("S fastest field") << "=S" << qint64(999) << true;
    QTest::newRow("S four digits") << "=S" << qint64(1000) << false;
    QTest::newRow("P MAX") << "=P" << qint64(3) << true;
    QTest::newRow("P beyond MAX") << "=P" << qint64(4) << false;
    QTest::newRow("K negative") << "=K" << qint64(-1) << false;
    QTest::newRow("unknown word") << "=X" << qint64(1) << false;
}

void tst_CommandLines::carries()
{
    QFETCH(QString, word);
    QFETCH(qint64, value);
    QFETCH(bool, carried);
    QCOMPARE(Command::carries(word.toLatin1().constData(), value), carried);
}

void tst_CommandLines::messageBytes_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ASCII as is") << "CQ DE VAKO K" << QByteArray("=MCQ DE VAKO K\r");
    QTest::newRow("Latin-1 letter one byte")
        << QString::fromUtf8("73 DE JÖRG") << QByteArray("=M73 DE J\xD6RG\r");
    QTest::newRow("euro sign from the 0x80 row")
        << QString::fromUtf8("5€") << QByteArray("=M5\x80\r");
    QTest::newRow("outside the code page") << QString::fromUtf8("Ж") << QByteArray("=M?\r");
    QTest::newRow("astral character is one ?") << QString::fromUtf8("A😀B") << QByteArray("=MA?B\r");
}

void tst_CommandLines::messageBytes()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TransmitterLink::lineBytes(QLatin1String(Command::Message) + message), bytes);
}

void tst_CommandLines::ansiRoundTrip()
{
    // Every byte value survives decoding and encoding again, so no message
    // file is altered by being opened and saved.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    QCOMPARE(AnsiText::encode(AnsiText::decode(all)), all);
}

QTEST_APPLESS_MAIN(tst_CommandLines)
#include "tst_commandlines.moc"
