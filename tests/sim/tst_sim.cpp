#include "sim/Morse.h"
#include "sim/SimTransmitter.h"

#include <QtTest>

using SimProtocol::CommandKind;
Q_DECLARE_METATYPE(SimProtocol::CommandKind)

// The simulated transmitter without a port: command lines, Morse timing and keying.
class tst_Sim : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<CommandKind>("kind");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("meaning");
        const auto row = [](const char *line, CommandKind kind, int value, const char *meaning) {
            QTest::newRow(*line ? line : "empty line")
                << QByteArray(line) << kind << value
                << (kind == CommandKind::NotUnderstood ? "not understood: " : "") +
                       QString::fromUtf8(meaning);
        };
        const auto Frequency = CommandKind::Frequency, Speed = CommandKind::Speed,
                   Power = CommandKind::Power, Keyer = CommandKind::Keyer,
                   Message = CommandKind::Message, NotUnderstood = CommandKind::NotUnderstood;
        // A number field has a sign position: a blank before the digits unless cut to its width.
        row("=F500100", Frequency, 500100, "frequency 500.100 kHz");
        row("=F 99999", Frequency, 99999, "frequency 99.999 kHz");
        row("=S200", Speed, 200, "speed 20 wpm");
        row("=S 50", Speed, 50, "speed 5 wpm");
        row("=S 95", Speed, 95, "speed 9.5 wpm");
        row("=P 2", Power, 2, "power HIGH");
        row("=P3", Power, 3, "power MAX");
        row("=K0", Keyer, 0, "keyer Dot Priority");
        row("=K 2", Keyer, 2, "keyer Iambic B");
        row("=K3", Keyer, 3, "keyer Straight");
        row("=MCQ DE VAKO K", Message, 0, "message 'CQ DE VAKO K'");
        row("=MA\tB\\C\x01", Message, 0, "message 'A\\tB\\\\C\\x01'");
        row("=MCAF\xC9 \x80", Message, 0, "message 'CAFÉ €'");
        row("=BT", CommandKind::StartKeying, 0, "start keying");
        row("=B0", CommandKind::StopKeying, 0, "stop keying");
        row("?I", CommandKind::InfoQuery, 0, "information query");
        row("", NotUnderstood, 0, "empty line");
        row("=F", NotUnderstood, 0, "=F value missing");
        row("=F5001000", NotUnderstood, 0, "=F value field longer than 6 characters");
        row("=F50a100", NotUnderstood, 0, "=F value is not a whole number");
        row("=S ", NotUnderstood, 0, "=S value has no digits");
        row("=S-5", NotUnderstood, 0, "=S negative value");
        row("=P4", NotUnderstood, 0, "=P power index 4 outside 0 to 3");
        row("=K 4", NotUnderstood, 0, "=K keyer index 4 outside 0 to 3");
        row("=BT ", NotUnderstood, 0, "unknown command (=BT, =B0 and ?I take no value)");
        row("=f500100", NotUnderstood, 0, "unknown command");
    }
    void parse()
    {
        QFETCH(QByteArray, line);
        QFETCH(CommandKind, kind);
        QFETCH(int, value);
        QFETCH(QString, meaning);
        const SimProtocol::Command command = SimProtocol::parseLine(line);
        QCOMPARE(command.kind, kind);
        QCOMPARE(command.value, value);
        QCOMPARE(command.meaning, meaning);
        QCOMPARE(command.message, kind == CommandKind::Message ? line.mid(2) : QByteArray());
    }
    void escape()
    {
        const QByteArray bytes("=S 50\r\n\t\0\x1B\x7F\x80\xFF\\\"", 15);
        QCOMPARE(SimProtocol::escapeBytes(bytes), R"(=S 50\r\n\t\0\x1B\x7F\x80\xFF\\\")");
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        QCOMPARE(SimProtocol::unescapeBytes(SimProtocol::escapeBytes(all)).value_or(""), all);
        QVERIFY(!SimProtocol::unescapeBytes("\\q") && !SimProtocol::unescapeBytes("\\xZZ"));
    }
    void split_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArrayList>("lines"); // "+" marks the start of an overlong line
        QTest::addColumn<QByteArray>("pending");
        using L = QByteArrayList;
        QTest::newRow("line in pieces") << L{"=F50", "01", "00\r"} << L{"=F500100"} << QByteArray();
        QTest::newRow("partial line waits")
            << L{"=MCQ\r=BT\r=B"} << L{"=MCQ", "=BT"} << QByteArray("=B");
        QTest::newRow("CR LF, LF in the next chunk")
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
    void keepsWhatThePanelSets()
    {
        SimTransmitter tx;
        tx.receive("=F136000\r=S 95\r=P 3\r=K 0\r=MCQ\r=P4\r");
        QCOMPARE((QList<int>{tx.frequency(), tx.speed(), tx.power(), tx.keyer()}),
                 (QList<int>{136000, 95, 3, 0}));
        QCOMPARE(tx.message(), "CQ");
    }
    void keying_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("logged"); // all but the rx lines; * stands for any text
        // A dot is 1 unit, a dash 3; the gaps 1 inside a character, 3 between characters and 7
        // between words; a unit lasts 1200 / wpm ms.
        QTest::newRow("keys and finishes")
            << QByteArray("=S600\r=MA~E\r=BT\r")
            << "keying started: 'A~E' at 60 wpm, 9 units of 20 ms = 0.180 s; not keyed (no "
               "Morse): '~'\nkeying finished after 0.180 s";
        QTest::newRow("stopped") << QByteArray("=MPARIS\r=BT\r=B0\r=B0\r")
                                 << "keying started: 'PARIS' at 20 wpm, 43 units of 60 ms = 2.580 "
                                    "s\nkeying stopped after 0.* of 2.580 s\nnothing was keying";
        QTest::newRow("one word gap, blanks around")
            << QByteArray("=S120\r=M paris   73? \r=BT\r=B0\r")
            << "keying started: ' paris   73? ' at 12 wpm, 97 units of 100 ms = 9.700 s\n*";
        QTest::newRow("0.7 wpm, rounded to the ms")
            << QByteArray("=S 7\r=MI\r=BT\r=B0\r")
            << "keying started: 'I' at 0.7 wpm, 3 units of 1714.29 ms = 5.143 s\n*";
        QTest::newRow("speed 0") << QByteArray("=S 0\r=MPARIS\r=BT\r")
                                 << "cannot key 'PARIS': the speed is 0 wpm";
        QTest::newRow("no message")
            << QByteArray("=BT\r") << "nothing to key: the message is empty";
        QTest::newRow("no Morse") << QByteArray("=M~#\r=BT\r")
                                  << "nothing to key: no character of '~#' has Morse";
    }
    void keying()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, logged);
        SimTransmitter tx;
        QStringList log;
        connect(&tx, &SimTransmitter::logged, [&log](const QString &line) { log << line; });
        QElapsedTimer clock;
        clock.start();
        tx.receive(input);
        QTRY_VERIFY_WITH_TIMEOUT(!tx.isKeying(), 5000);
        const QString shown = log.filter(QRegularExpression("^(?!rx )")).join('\n');
        QVERIFY2(
            QRegularExpression::fromWildcard(logged, Qt::CaseSensitive).match(shown).hasMatch(),
            qPrintable(shown));
        if (log.last().startsWith("keying finished"))
            QVERIFY(clock.elapsed() >= tx.keyingDurationMs() - 10);
    }
};

QTEST_GUILESS_MAIN(tst_Sim)
#include "tst_sim.moc"
