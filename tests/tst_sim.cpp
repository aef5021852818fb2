#include "Files.h"
#include "Program.h"
#include "SimTransmitter.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <numeric>
#include <sys/ioctl.h>
#include <unistd.h>

using SimProtocol::CommandKind;

// The transmitter simulator: what it understands, how long it keys, and the
// real program serving a pseudo-terminal.
class tst_Sim : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What the transmitter makes of a line (without its CR), and the value it reads.
    void parse_data()
    {
        // clang-format off
        arrowRows({"=F500100 => frequency 500100", "=F 99999 => frequency 99999", "=S200 => speed 200",
                   "=S 50 => speed 50", "=P 2 => power 2", "=P3 => power 3", "=K0 => keyer 0",
                   "=K 2 => keyer 2", "=MCQ DE VAKO K => message 0", "=M => message 0",
                   "=BT => start 0", "=B0 => stop 0", "?I => query 0", "empty => ", "=F => ",
                   "=F5001000 => ", "=F000000 => ", "=F50a100 => ", "=S  => ", "=S-5 => ",
                   "=P4 => ", "=K 4 => ", "=BT  => ", "=f500100 => "});
        // clang-format on
    }
    void parse()
    {
        QFETCH(QStringList, row);
        const QByteArray line = QByteArray(QTest::currentDataTag()).replace("empty", "");
        const SimProtocol::ParsedLine command = SimProtocol::parseLine(line);
        const QStringList kinds{"",        "frequency", "speed", "power", "keyer",
                                "message", "start",     "stop",  "query"};
        QCOMPARE(kinds[int(command.kind)] + (command.kind == CommandKind::NotUnderstood
                                                 ? ""
                                                 : " " + QString::number(command.value)),
                 row[0]);
        QCOMPARE(command.message,
                 command.kind == CommandKind::Message ? line.mid(2) : QByteArray());
        QCOMPARE(command.meaning.startsWith("not understood"), row[0].isEmpty());
    }

    void escapingComesBack()
    {
        QCOMPARE(SimProtocol::escapeBytes(QByteArray("=S 50\r\n\t\0\x1B\x7F\x80\\\"", 14)),
                 R"(=S 50\r\n\t\0\x1B\x7F\x80\\\")");
        QByteArray all(256, '\0');
        std::iota(all.begin(), all.end(), char(0));
        QCOMPARE(SimProtocol::unescapeBytes(SimProtocol::escapeBytes(all)).value_or(""), all);
        QVERIFY(!SimProtocol::unescapeBytes("\\q") && !SimProtocol::unescapeBytes("\\xZZ"));
    }

    void split_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArrayList>("lines"); // "+": the start of an overlong line
        QTest::addColumn<QByteArray>("pending");
        using L = QByteArrayList;
        QTest::newRow("line in pieces") << L{"=F50", "01", "00\r"} << L{"=F500100"} << QByteArray();
        QTest::newRow("partial line waits")
            << L{"=MCQ\r=BT\r=B"} << L{"=MCQ", "=BT"} << QByteArray("=B");
        QTest::newRow("CR LF split")
            << L{"=BT\r\n=B0\r", "\n?I\r"} << L{"=BT", "=B0", "?I"} << QByteArray();
        QTest::newRow("LF alone ends nothing") << L{"=BT\n=B0\n"} << L{} << QByteArray("=BT=B0");
        QTest::newRow("overlong line bounded, its rest dropped")
            << L{"12345678\r0123456789ABCDEFGHIJ", "KL\r=BT\r?I"}
            << L{"12345678", "012345678+", "=BT"} << QByteArray("?I");
    }
    void split()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArrayList, lines);
        QFETCH(QByteArray, pending);
        SimProtocol::LineSplitter splitter(9);
        QByteArrayList got;
        for (const QByteArray &chunk : chunks) {
            for (const SimProtocol::LineSplitter::Line &line : splitter.feed(chunk))
                got << line.bytes + (line.overlong ? "+" : "");
        }
        QCOMPARE(got, lines);
        QCOMPARE(splitter.pending(), pending);
    }

    // How long the transmitter keys: PARIS timing, a unit lasting 1200 / wpm ms.
    void keying_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<qint64>("ms"); // -1: it does not key at all
        QTest::newRow("A E at 60 wpm, ~ has no Morse")
            << QByteArray("=S600\r=MA~E\r=BT\r") << 180ll;
        QTest::newRow("PARIS at 20 wpm") << QByteArray("=MPARIS\r=BT\r") << 2580ll;
        QTest::newRow("blanks around, one word gap")
            << QByteArray("=S120\r=M paris   73? \r=BT\r") << 9700ll;
        QTest::newRow("0.7 wpm, to the ms") << QByteArray("=S 7\r=MI\r=BT\r") << 5143ll;
        QTest::newRow("speed 0") << QByteArray("=S 0\r=MPARIS\r=BT\r") << -1ll;
        QTest::newRow("no message") << QByteArray("=BT\r") << -1ll;
        QTest::newRow("no Morse") << QByteArray("=M~#\r=BT\r") << -1ll;
    }
    void keying()
    {
        QFETCH(QByteArray, input);
        QFETCH(qint64, ms);
        SimTransmitter tx;
        QElapsedTimer clock;
        clock.start();
        tx.receive("=F136000\r=K 0\r=P4\r" + input);
        QCOMPARE((QList<int>{tx.frequency(), tx.keyer(), tx.power()}), (QList<int>{136000, 0, 0}));
        QCOMPARE(tx.isKeying() ? tx.keyingDurationMs() : -1, ms);
        if (ms > 1000) { // "=B0" stops it at once
            tx.receive("=B0\r");
            QVERIFY(!tx.isKeying());
        } else if (ms > 0) {
            QTRY_VERIFY(!tx.isKeying());
            QVERIFY(clock.elapsed() >= ms - 10);
        }
    }

    // The real program: registers its device in the panel's settings file,
    // answers "?I", logs each line, lets a crashed program's lock go, ends on SIGTERM.
    void servesThePanel()
    {
        const QByteArray head =
                             "[VAKO]\r\nModel=BIRCH\r\n; note\r\n[ports]\r\nCom1=/dev/ttyUSB0\r\n",
                         tail = "\r\n[BIRCH_settings]\r\nFrequency = 500000\r\n";
        QTemporaryDir dir;
        const QString ini = dir.filePath("vako-panel.ini");
        QVERIFY(putFile(ini, head + tail));
        Program sim = Program::simulator();
        QVERIFY(sim.start({"--ini", ini, "--port", "7"}));
        const QString device = sim.output("serving (\\S+)").value(0);
        QVERIFY2(device.startsWith("/dev/"), qPrintable(sim.errors()));
        QCOMPARE(fileBytes(ini), head + "Com7=" + device.toLocal8Bit() + "\r\n" + tail);
        QSerialPort port(device);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.write("=F500100\r?I\r");
        QByteArray reply;
        for (int i = 0; reply.size() < 22 && i < 30; ++i)
            reply += port.waitForReadyRead(100) ? port.readAll() : QByteArray();
        QCOMPARE(reply, "#I:VAKO BIRCH SIM 1.0\r");
        QCOMPARE(sim.output(R"(( rx "=F500100\\r"  frequency 500.100 kHz))").size(), 1);
        port.close();
        // A serial program that dies leaves the device exclusive; the simulator lifts it.
        const QByteArray path = device.toLocal8Bit();
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0);
        ::close(fd);
        int exclusive = 1;
        for (int i = 0; exclusive && i < 250; ++i, QTest::qWait(20)) {
            const int probe = ::open(path.constData(), O_RDWR | O_NOCTTY); // root opens it anyway
            ::ioctl(probe, TIOCGEXCL, &exclusive);
            ::close(probe);
        }
        QCOMPARE(exclusive, 0);
        QVERIFY(sim.terminate());
        QCOMPARE(sim.output("(stopped by SIGTERM)").size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_Sim)
#include "tst_sim.moc"
