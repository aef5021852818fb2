#include "Files.h"
#include "Program.h"
#include "SimTransmitter.h"
#include "settings/IniFile.h"

#include <QSerialPort>
#include <QtNetwork>
#include <QtTest>

// The project's programs: the transmitter simulator, what it makes of the wire and how
// long it keys; the simulator and the panel as the operator starts them, processes of
// their own, and a station program driving the panel through the network port.
class tst_Programs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What the transmitter makes of a line (without its CR), and the value it reads.
    void parse_data()
    {
        // clang-format off
        arrowRows({"=F500100 => frequency 500100", "=F 99999 => frequency 99999",
                   "=S200 => speed 200", "=S 50 => speed 50", "=P 2 => power 2", "=P3 => power 3",
                   "=K0 => keyer 0", "=K 2 => keyer 2", "=MCQ DE K => message 0", "=M => message 0",
                   "=BT => start 0", "=B0 => stop 0", "?I => query 0", "empty", "=F", "=F5001000",
                   "=F000000", "=F50a100", "=S ", "=S-5", "=P4", "=K 4", "=BT ", "=f500100"});
        // clang-format on
    }
    void parse()
    {
        QFETCH(QStringList, row);
        const QByteArray line = QByteArray(QTest::currentDataTag()).replace("empty", "");
        const SimProtocol::ParsedLine command = SimProtocol::parseLine(line);
        const QString kind = QString(",frequency,speed,power,keyer,message,start,stop,query")
                                 .split(',')[int(command.kind)];
        QCOMPARE(kind.isEmpty() ? kind : kind + ' ' + QString::number(command.value), row.value(0));
        QCOMPARE(command.message, kind == "message" ? line.mid(2) : QByteArray());
        QCOMPARE(command.meaning.startsWith("not understood"), row.isEmpty());
    }

    // How long the transmitter keys: PARIS timing, a unit lasting 1200 / wpm ms.
    void keying_data() // sent, ms of keying (-1: none)
    {
        arrowRows({"A E at 60 wpm, ~ has no Morse => =S600\r=MA~E\r=BT\r => 180",
                   "PARIS at 20 wpm => =MPARIS\r=BT\r => 2580", "no Morse => =M~#\r=BT\r => -1",
                   "blanks around, one word gap => =S120\r=M paris   73? \r=BT\r => 9700",
                   "0.7 wpm, to the ms => =S 7\r=MI\r=BT\r => 5143", "no message => =BT\r => -1",
                   "speed 0 => =S 0\r=MPARIS\r=BT\r => -1"});
    }
    void keying()
    {
        QFETCH(QStringList, row);
        const qint64 ms = row[1].toLongLong();
        SimTransmitter tx;
        QString log; // "keying started: ... = 2.580 s"
        connect(&tx, &SimTransmitter::logged, this, [&log](const QString &line) { log += line; });
        QElapsedTimer clock;
        clock.start();
        tx.receive("=F136000\r=K 0\r=P4\r" + row[0].toLatin1());
        const auto keyed = QRegularExpression("keying started: .* = (\\d+)\\.(\\d+) s").match(log);
        QCOMPARE((QList<int>{tx.frequency(), tx.keyer(), tx.power()}), (QList<int>{136000, 0, 0}));
        QCOMPARE(tx.isKeying() ? keyed.captured(1).toInt() * 1000 + keyed.captured(2).toInt() : -1,
                 ms);
        if (ms > 1000) // "=B0" stops a long one at once
            tx.receive("=B0\r");
        QTRY_VERIFY_WITH_TIMEOUT(!tx.isKeying(), ms > 1000 ? 0 : 5000);
        QVERIFY(ms > 1000 || clock.elapsed() >= ms - 10);
    }

    // The real program: registers its device in the panel's settings file,
    // answers "?I", logs each line, ends on SIGTERM.
    void servesThePanel()
    {
        const QByteArray head = "[VAKO]\r\n; note\r\n[ports]\r\nCom1=/dev/ttyUSB0\r\n",
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
        QTRY_COMPARE(port.peek(64), "#I:VAKO BIRCH SIM 1.0\r");
        QCOMPARE(sim.output(R"(( rx "=F500100\\r"  frequency 500.100 kHz))").size(), 1);
        port.close();
        QVERIFY(sim.terminate());
    }

    // The panel on the simulator, as the operator starts it; then another station
    // program drives it through Hamlib's own client on the port [Remote] Listen names:
    // its changes reach the transmitter and its readings come back.
    void endToEnd()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("vako-panel.ini");
        Program sim = Program::simulator();
        QVERIFY(sim.start({"--ini", ini, "--port", "1"}));
        const QString device = sim.output("serving (\\S+)").value(0);
        const auto received = [&sim](int count, int ms) {
            return sim.output(QStringLiteral(" rx \"([^\"]*)\""), count, ms);
        };
        { // A first run writes the built-in values, no port among them, and sends nothing.
            Program panel = Program::panel(dir.path());
            QVERIFY(panel.start());
            QTRY_VERIFY_WITH_TIMEOUT(fileBytes(ini).contains("Model=BIRCH"), 10000);
            const QString maps = "/proc/" + QString::number(panel.pid()) + "/maps"; // port off:
            QVERIFY(fileBytes(maps).contains("libQt6Core") && !fileBytes(maps).contains("Network"));
            QVERIFY(panel.terminate());
            QCOMPARE(received(1, 200), QStringList());
        }
        QTcpServer probe; // a free port for the panel to listen on
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString address = "127.0.0.1:" + QString::number(probe.serverPort());
        probe.close();
        QVERIFY(putFile(ini, "[Ports]\nCom1=" + device.toLocal8Bit() + '\n' +
                                 settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 1"}}) +
                                 "[Remote]\nListen=" + address.toLatin1() + '\n'));
        Program panel = Program::panel(dir.path());
        QVERIFY(panel.start());
        QStringList lines{"=F500000\\r", "=S200\\r", "=P0\\r", "=K2\\r"};
        QCOMPARE(received(lines.size(), 10000), lines);
        const QString rigctl = QStandardPaths::findExecutable("rigctl");
        QVERIFY2(!rigctl.isEmpty(), "Hamlib's rigctl is missing: scripts/deps installs it");
        const auto rig = [&](const QStringList &command, const QString &program = {}) {
            QProcess client; // rigctl, or a program given its arguments
            client.start(program.isEmpty() ? rigctl : program,
                         program.isEmpty() ? QStringList{"-m", "2", "-r", address} + command
                                           : command);
            return client.waitForFinished(20000) && client.exitCode() == 0
                       ? QString::fromLatin1(client.readAllStandardOutput())
                       : "failed: " + client.readAllStandardError();
        };
        QCOMPARE(rig({"F", "500100", "L", "KEYSPD", "25", "L", "RFPOWER", "1"}), "");
        QCOMPARE(rig({"f", "l", "KEYSPD", "l", "RFPOWER", "m"}), "500100\n25\n1.000000\nCW\n0\n");
        QCOMPARE(rig({"b", "CQ DE TEST"}), "");
        QTRY_COMPARE_WITH_TIMEOUT(rig({"t"}), "0\n", 6000); // keyed whole: 3.5 s at 25 wpm
        lines += {"=F500100\\r", "=S250\\r", "=P3\\r", "=MCQ DE TEST\\r", "=BT\\r"};
        QCOMPARE(received(lines.size(), 10000), lines);
        // Hamlib's client library as station programs link it: it waits for a message by
        // asking t until the keying is over, 93 units of 40 ms at 30 wpm.
        const QStringList read =
            rig({QFINDTESTDATA("data/hamlib-client.py"), address}, "/usr/bin/python3").split(' ');
        QCOMPARE(read.mid(0, 4).join(' '), "frequency 500200\nspeed 30\nkeyed for");
        QVERIFY2(read[4].toInt() >= 3720 && read[4].toInt() < 4500, qPrintable(read[4]));
        // The line \wait_morse holds its answer while PARIS is keyed (1720 ms); a stop from
        // another station program ends the keying and the wait at once.
        QTcpSocket waiting, stopping;
        for (QTcpSocket *socket : {&waiting, &stopping})
            socket->connectToHost(QHostAddress::LocalHost, address.section(':', 1).toUShort());
        waiting.write("b PARIS\n\\wait_morse\n");
        QByteArray got; // b's answer, not yet the wait's
        QTRY_COMPARE_WITH_TIMEOUT(got += waiting.readAll(), "RPRT 0\n", 1000);
        QTest::qWait(300);
        QCOMPARE(got += waiting.readAll(), "RPRT 0\n");
        stopping.write("\\stop_morse\n");
        QTRY_COMPARE_WITH_TIMEOUT(got += waiting.readAll(), "RPRT 0\nRPRT 0\n", 1000); // < 1720 ms
        lines += {"=F500200\\r", "=S300\\r",   "=P1\\r", "=MPARIS PARIS\\r",
                  "=BT\\r",      "=MPARIS\\r", "=BT\\r", "=B0\\r"};
        QCOMPARE(received(lines.size(), 10000), lines);
        // t reads 0 when the transmitter has keyed the message (a word space in it), within
        // one element or 60 ms of the simulator's own keying time, at 5, 20 and 50 wpm.
        QTcpSocket poll;
        poll.connectToHost(QHostAddress::LocalHost, address.section(':', 1).toUShort());
        const auto ask = [&poll](const QByteArray &line) {
            poll.write(line + '\n');
            QByteArray got;
            (void)QTest::qWaitFor([&] { return (got += poll.readAll()).endsWith('\n'); }, 2000);
            return got.trimmed();
        };
        for (const int wpm : {5, 20, 50}) {
            QCOMPARE(ask("L KEYSPD " + QByteArray::number(wpm)), "RPRT 0");
            QCOMPARE(ask("b E E"), "RPRT 0");
            QElapsedTimer clock;
            for (clock.start(); ask("t") == "1";)
                QTest::qWait(2);
            const qint64 ms = clock.elapsed();
            const QString keyed =
                sim.output(QString("('E E' at %1 wpm.*)").arg(wpm), 1, 2000).value(0);
            const double simMs = 1000 * keyed.section(" = ", 1).section(' ', 0, 0).toDouble();
            QVERIFY2(std::abs(ms - simMs) <= std::max(1200.0 / wpm, 60.0),
                     qPrintable(QString("%1 ms, the simulator: %2").arg(ms).arg(keyed)));
            lines += {QString("=S%1\\r").arg(wpm * 10, 3), "=ME E\\r", "=BT\\r"};
        }
        QCOMPARE(received(lines.size(), 10000), lines);
        QVERIFY(panel.terminate()); // SIGTERM: saved, and nothing sent on the way out
        QCOMPARE(received(lines.size() + 1, 300), lines);
        const IniDocument saved = IniDocument::load(ini);
        QCOMPARE(saved.value("BIRCH_settings", "Frequency"), "500200"); // the last change
        QCOMPARE(saved.value("BIRCH_settings", "Portnumber"), "1");
        QCOMPARE(saved.value("Ports", "Com1"), device);
        QCOMPARE(saved.value("Remote", "Listen"), address);
    }

    // SIGTERM ends the program cleanly while its start-up's box waits for an operator
    // who is not there (a logout); a second run saves what the first saved unchanged.
    void endsWhileABoxWaits()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("vako-panel.ini");
        QVERIFY(putFile(path, settingsWith({{"Model=BIRCH", "Model=OAK"}})));
        QByteArray afterFirst;
        for (int round = 0; round < 2; ++round) {
            Program panel = Program::panel(dir.path());
            QVERIFY(panel.start());
            QVERIFY2(panel.runningAfter(700), qPrintable(panel.errors())); // no crash
            QVERIFY2(panel.terminate(), "the program did not end cleanly");
            afterFirst = round ? afterFirst : fileBytes(path);
        }
        QCOMPARE(fileBytes(path), afterFirst);
    }
};

QTEST_GUILESS_MAIN(tst_Programs)
#include "tst_programs.moc"
