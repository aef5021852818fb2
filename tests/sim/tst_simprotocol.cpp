#include "sim/SimProtocol.h"

#include <QtTest>

using SimProtocol::CommandKind;
using SimProtocol::LineSplitter;

Q_DECLARE_METATYPE(SimProtocol::CommandKind)

class TestSimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void notUnderstood_data();
    void notUnderstood();
    void escape_data();
    void escape();
    void escapeRoundTripsEveryByte();
    void unescape_data();
    void unescape();
    void split_data();
    void split();
    void overlongLine();
    void floodWithoutCrStaysBounded();
};

void TestSimProtocol::parse_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<CommandKind>("kind");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("meaning");

    const auto F = CommandKind::Frequency;
    const auto S = CommandKind::Speed;
    const auto P = CommandKind::Power;
    const auto K = CommandKind::Keyer;

    // Frequency fields: six characters cut from the sign-position text.
    QTest::newRow("=F BIRCH") << QByteArray("=F500100") << F << 500100 << "frequency 500.100 kHz";
    QTest::newRow("=F ALDER") << QByteArray("=F136000") << F << 136000 << "frequency 136.000 kHz";
    QTest::newRow("=F five digits")
        << QByteArray("=F 99999") << F << 99999 << "frequency 99.999 kHz";
    QTest::newRow("=F cut million") << QByteArray("=F000000") << F << 0 << "frequency 0.000 kHz";

    // Speed in tenths of a wpm; below 10 wpm the field starts with a blank.
    QTest::newRow("=S 20 wpm") << QByteArray("=S200") << S << 200 << "speed 20 wpm";
    QTest::newRow("=S 5 wpm") << QByteArray("=S 50") << S << 50 << "speed 5 wpm";
    QTest::newRow("=S 9.5 wpm") << QByteArray("=S 95") << S << 95 << "speed 9.5 wpm";
    QTest::newRow("=S 0.5 wpm") << QByteArray("=S 5") << S << 5 << "speed 0.5 wpm";
    QTest::newRow("=S zero") << QByteArray("=S 0") << S << 0 << "speed 0 wpm";
    QTest::newRow("=S bare digit") << QByteArray("=S7") << S << 7 << "speed 0.7 wpm";

    // Power: bare digit from the power options, blank-led on a model switch.
    QTest::newRow("=P0") << QByteArray("=P0") << P << 0 << "power MIN";
    QTest::newRow("=P1") << QByteArray("=P1") << P << 1 << "power LOW";
    QTest::newRow("=P2") << QByteArray("=P2") << P << 2 << "power HIGH";
    QTest::newRow("=P3") << QByteArray("=P3") << P << 3 << "power MAX";
    QTest::newRow("=P blank 2") << QByteArray("=P 2") << P << 2 << "power HIGH";

    // Keyer: bare digit at start-up, blank-led from the Keyer menu.
    QTest::newRow("=K0") << QByteArray("=K0") << K << 0 << "keyer Dot Priority";
    QTest::newRow("=K blank 1") << QByteArray("=K 1") << K << 1 << "keyer Iambic A";
    QTest::newRow("=K2") << QByteArray("=K2") << K << 2 << "keyer Iambic B";
    QTest::newRow("=K blank 2") << QByteArray("=K 2") << K << 2 << "keyer Iambic B";
    QTest::newRow("=K blank 3") << QByteArray("=K 3") << K << 3 << "keyer Straight";

    const auto M = CommandKind::Message;
    QTest::newRow("=M") << QByteArray("=MCQ DE VAKO K") << M << 0 << "message 'CQ DE VAKO K'";
    QTest::newRow("=M empty") << QByteArray("=M") << M << 0 << "message ''";
    QTest::newRow("=M keeps blanks") << QByteArray("=M  CQ ") << M << 0 << "message '  CQ '";
    QTest::newRow("=M command-like text") << QByteArray("=M=BT") << M << 0 << "message '=BT'";
    QTest::newRow("=M control characters escaped")
        << QByteArray("=MA\tB\\C\x01") << M << 0 << "message 'A\\tB\\\\C\\x01'";
    QTest::newRow("=M Windows-1252")
        << QByteArray("=MCAF\xC9 \x80") << M << 0 << QString::fromUtf8("message 'CAFÉ €'");

    QTest::newRow("=BT") << QByteArray("=BT") << CommandKind::StartKeying << 0 << "start keying";
    QTest::newRow("=B0") << QByteArray("=B0") << CommandKind::StopKeying << 0 << "stop keying";
    QTest::newRow("?I") << QByteArray("?I") << CommandKind::InfoQuery << 0 << "information query";
}

void TestSimProtocol::parse()
{
    QFETCH(QByteArray, line);
    QFETCH(CommandKind, kind);
    QFETCH(int, value);
    QFETCH(QString, meaning);

    const SimProtocol::Command command = SimProtocol::parseLine(line);
    QCOMPARE(command.kind, kind);
    QCOMPARE(command.value, value);
    QCOMPARE(command.meaning, meaning);
    if (kind == CommandKind::Message)
        QCOMPARE(command.message, line.mid(2));
}

void TestSimProtocol::notUnderstood_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("why");

    QTest::newRow("empty line") << QByteArray() << "empty line";
    QTest::newRow("=F no value") << QByteArray("=F") << "=F value missing";
    QTest::newRow("=F seven characters") << QByteArray("=F5001000")
                                         << "=F value field longer "
                                            "than 6 characters";
    QTest::newRow("=F letter") << QByteArray("=F50a100") << "=F value is not a whole number";
    QTest::newRow("=F plus sign") << QByteArray("=F+500") << "=F value is not a whole number";
    QTest::newRow("=F negative") << QByteArray("=F-100") << "=F negative value";
    QTest::newRow("=S sign only") << QByteArray("=S ") << "=S value has no digits";
    QTest::newRow("=S two blanks") << QByteArray("=S  5") << "=S value is not a whole number";
    QTest::newRow("=S trailing blank") << QByteArray("=S 5 ") << "=S value is not a whole number";
    QTest::newRow("=S four characters")
        << QByteArray("=S1000") << "=S value field longer than 3 characters";
    QTest::newRow("=S negative") << QByteArray("=S-5") << "=S negative value";
    QTest::newRow("=P out of range") << QByteArray("=P4") << "=P power index 4 outside 0 to 3";
    QTest::newRow("=P negative") << QByteArray("=P-1") << "=P negative value";
    QTest::newRow("=K out of range") << QByteArray("=K 4") << "=K keyer index 4 outside 0 to 3";
    QTest::newRow("=BT with text")
        << QByteArray("=BT ") << "unknown command (=BT, =B0 and ?I take no value)";
    QTest::newRow("=B1") << QByteArray("=B1") << "unknown command (=BT, =B0 and ?I take no value)";
    QTest::newRow("?I with text") << QByteArray("?I1")
                                  << "unknown command (=BT, =B0 and ?I take no value)";
    QTest::newRow("lower case") << QByteArray("=f500100") << "unknown command";
    QTest::newRow("no equals sign") << QByteArray("F500100") << "unknown command";
    QTest::newRow("unknown word") << QByteArray("=X1") << "unknown command";
    QTest::newRow("binary") << QByteArray("\x00\x01\xFF", 3) << "unknown command";
}

void TestSimProtocol::notUnderstood()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, why);

    const SimProtocol::Command command = SimProtocol::parseLine(line);
    QCOMPARE(command.kind, CommandKind::NotUnderstood);
    QCOMPARE(command.meaning, QStringLiteral("not understood: ") + why);
}

void TestSimProtocol::escape_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("command line") << QByteArray("=F500100\r") << "=F500100\\r";
    QTest::newRow("blank-led field") << QByteArray("=S 50\r") << "=S 50\\r";
    QTest::newRow("named controls") << QByteArray("\r\n\t\0", 4) << "\\r\\n\\t\\0";
    QTest::newRow("other controls") << QByteArray("\x01\x1B\x1F\x7F") << "\\x01\\x1B\\x1F\\x7F";
    QTest::newRow("high bytes") << QByteArray("\x80\xC9\xFF") << "\\x80\\xC9\\xFF";
    QTest::newRow("backslash and quote") << QByteArray("a\\b\"c") << "a\\\\b\\\"c";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestSimProtocol::escape()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(SimProtocol::escapeBytes(bytes), text);
}

void TestSimProtocol::escapeRoundTripsEveryByte()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    const QString escaped = SimProtocol::escapeBytes(all);
    for (QChar c : escaped)
        QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7F, "an escaped text is printable ASCII");
    QCOMPARE(SimProtocol::unescapeBytes(escaped), std::optional<QByteArray>(all));
}

void TestSimProtocol::unescape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("default reply") << "#I:VAKO\\r" << true << QByteArray("#I:VAKO\r");
    QTest::newRow("one hex digit") << "\\xA" << true << QByteArray("\n");
    QTest::newRow("NUL") << "a\\0b" << true << QByteArray("a\0b", 3);
    QTest::newRow("Latin-1 letter") << QString::fromUtf8("É") << true << QByteArray("\xC9");
    QTest::newRow("euro sign") << QString::fromUtf8("€") << true << QByteArray("\x80");
    QTest::newRow("unknown escape") << "\\q" << false << QByteArray();
    QTest::newRow("lone backslash") << "abc\\" << false << QByteArray();
    QTest::newRow("hex without digits") << "\\xZZ" << false << QByteArray();
    QTest::newRow("outside Windows-1252") << QString::fromUtf8("☃") << false << QByteArray();
}

void TestSimProtocol::unescape()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);

    const std::optional<QByteArray> result = SimProtocol::unescapeBytes(text);
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(*result, bytes);
}

void TestSimProtocol::split_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("pending");

    using L = QList<QByteArray>;
    QTest::newRow("one line") << L{"=F500100\r"} << L{"=F500100"} << QByteArray();
    QTest::newRow("line in pieces") << L{"=F50", "01", "00\r"} << L{"=F500100"} << QByteArray();
    QTest::newRow("several lines and a partial one")
        << L{"=MCQ\r=BT\r=B"} << L{"=MCQ", "=BT"} << QByteArray("=B");
    QTest::newRow("partial line waits") << L{"=S 50"} << L{} << QByteArray("=S 50");
    QTest::newRow("CR LF ends") << L{"=BT\r\n=B0\r\n"} << L{"=BT", "=B0"} << QByteArray();
    QTest::newRow("LF in the next chunk") << L{"=BT\r", "\n?I\r"} << L{"=BT", "?I"} << QByteArray();
    QTest::newRow("LF alone ends nothing") << L{"=BT\n=B0\n"} << L{} << QByteArray("=BT=B0");
    QTest::newRow("LF inside a line dropped") << L{"=MA\nB\r"} << L{"=MAB"} << QByteArray();
    QTest::newRow("empty lines") << L{"\r\r"} << L{"", ""} << QByteArray();
    QTest::newRow("binary kept") << L{QByteArray("\x00\xFF\r", 3)} << L{QByteArray("\x00\xFF", 2)}
                                 << QByteArray();
    QTest::newRow("just under the bound")
        << L{QByteArray(4095, 'M') + '\r'} << L{QByteArray(4095, 'M')} << QByteArray();
}

void TestSimProtocol::split()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, pending);

    LineSplitter splitter;
    QList<QByteArray> got;
    for (const QByteArray &chunk : chunks) {
        for (const LineSplitter::Line &line : splitter.feed(chunk)) {
            QVERIFY(!line.overlong);
            got.append(line.bytes);
        }
    }
    QCOMPARE(got, lines);
    QCOMPARE(splitter.pending(), pending);
}

void TestSimProtocol::overlongLine()
{
    LineSplitter splitter(8);

    // Seven bytes and a CR still make a line.
    QList<LineSplitter::Line> lines = splitter.feed("1234567\r");
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).bytes, QByteArray("1234567"));
    QVERIFY(!lines.at(0).overlong);

    // The eighth byte without a CR makes it overlong at once; the rest of that
    // line is dropped, and the line after its CR is whole again.
    lines = splitter.feed("0123456789");
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).bytes, QByteArray("01234567"));
    QVERIFY(lines.at(0).overlong);
    QCOMPARE(splitter.pending(), QByteArray());

    lines = splitter.feed("ABC");
    QVERIFY(lines.isEmpty());
    lines = splitter.feed("DEF\r=BT\r?I");
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).bytes, QByteArray("=BT"));
    QVERIFY(!lines.at(0).overlong);
    QCOMPARE(splitter.pending(), QByteArray("?I"));
}

void TestSimProtocol::floodWithoutCrStaysBounded()
{
    LineSplitter splitter;
    const QByteArray chunk(64 * 1024, 'x');
    int overlong = 0;
    for (int i = 0; i < 64; ++i) { // 4 MiB, no CR
        for (const LineSplitter::Line &line : splitter.feed(chunk)) {
            QVERIFY(line.overlong);
            QCOMPARE(line.bytes.size(), splitter.maxLineBytes());
            ++overlong;
        }
        QVERIFY(splitter.pending().size() < splitter.maxLineBytes());
    }
    QCOMPARE(overlong, 1); // reported once, not once per 4 KiB
    QCOMPARE(splitter.feed("\r=B0\r").size(), 1);
}

QTEST_GUILESS_MAIN(TestSimProtocol)
#include "tst_simprotocol.moc"
