#include "sim/SimOptions.h"
#include "sim/SimTransmitter.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(SimCommandLine::Status)

namespace {

// Collects the log texts of a transmitter.
struct Log
{
    explicit Log(SimTransmitter &transmitter)
    {
        QObject::connect(&transmitter, &SimTransmitter::logged,
                         [this](const QString &text) { lines.append(text); });
    }
    bool contains(const QString &text) const { return lines.contains(text); }
    int countStarting(const QString &prefix) const
    {
        int n = 0;
        for (const QString &line : lines)
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }
    QStringList lines;
};

} // namespace

class TestSimTransmitter : public QObject
{
    Q_OBJECT

private slots:
    void keepsWhatThePanelSets();
    void logsEachLineAsReceived();
    void badLinesChangeNothing();
    void keysForTheParisDuration();
    void stopEndsTheKeying();
    void secondStartRestarts();
    void cannotKey_data();
    void cannotKey();
    void reportsCharactersWithoutMorse();
    void repliesAfterTheDelay();
    void silentNeverReplies();
    void overlongLineIsReportedOnce();
    void stampHasTimeOfDay();
    void commandLine_data();
    void commandLine();
};

void TestSimTransmitter::keepsWhatThePanelSets()
{
    SimTransmitter transmitter;
    transmitter.receive("=F136000\r=S 95\r=P 3\r=K 0\r=MCQ TEST\r");
    QCOMPARE(transmitter.frequency(), 136000);
    QCOMPARE(transmitter.speed(), 95);
    QCOMPARE(transmitter.power(), 3);
    QCOMPARE(transmitter.keyer(), 0);
    QCOMPARE(transmitter.message(), QByteArray("CQ TEST"));

    // The start-up forms without the blank set the same values.
    transmitter.receive("=P1\r=K2\r=S200\r=M\r");
    QCOMPARE(transmitter.power(), 1);
    QCOMPARE(transmitter.keyer(), 2);
    QCOMPARE(transmitter.speed(), 200);
    QCOMPARE(transmitter.message(), QByteArray());
    QVERIFY(!transmitter.isKeying());
}

void TestSimTransmitter::logsEachLineAsReceived()
{
    SimTransmitter transmitter;
    Log log(transmitter);
    transmitter.receive("=F5");
    QVERIFY(log.lines.isEmpty()); // waits for its CR
    transmitter.receive("00100\r\n=S 50\r=K 2\r");
    QCOMPARE(log.lines, QStringList({
                            "rx \"=F500100\\r\"  frequency 500.100 kHz",
                            "rx \"=S 50\\r\"  speed 5 wpm",
                            "rx \"=K 2\\r\"  keyer Iambic B",
                        }));
}

void TestSimTransmitter::badLinesChangeNothing()
{
    SimTransmitter transmitter;
    Log log(transmitter);
    transmitter.receive("=F136000\r=P2\r");
    const char bad[] = "=P4\r=F-1\r\r=Q\r\x00\x1B\r=S1000\r";
    transmitter.receive(QByteArray(bad, sizeof bad - 1));
    QCOMPARE(transmitter.frequency(), 136000);
    QCOMPARE(transmitter.power(), 2);
    QCOMPARE(transmitter.speed(), 200);
    QCOMPARE(log.countStarting("rx "), 8);
    QCOMPARE(log.lines.filter("not understood").size(), 6);
    QVERIFY(log.contains("rx \"\\0\\x1B\\r\"  not understood: unknown command"));
}

void TestSimTransmitter::keysForTheParisDuration()
{
    SimTransmitter transmitter;
    Log log(transmitter);
    // "EE" is 1 + 3 + 1 units; 60 wpm makes a unit 20 ms.
    transmitter.receive("=S600\r=MEE\r=BT\r");
    QVERIFY(transmitter.isKeying());
    QCOMPARE(transmitter.keyingDurationMs(), qint64(100));
    QVERIFY(log.contains("keying started: 'EE' at 60 wpm, 5 units of 20 ms = 0.100 s"));

    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(!transmitter.isKeying(), 5000);
    QVERIFY2(clock.elapsed() >= 90, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(log.lines.last(), QStringLiteral("keying finished after 0.100 s"));
}

void TestSimTransmitter::stopEndsTheKeying()
{
    SimTransmitter transmitter;
    Log log(transmitter);
    transmitter.receive("=B0\r");
    QCOMPARE(log.lines.last(), QStringLiteral("nothing was keying"));

    transmitter.receive("=MPARIS\r=BT\r");
    QVERIFY(transmitter.isKeying());
    transmitter.receive("=B0\r");
    QVERIFY(!transmitter.isKeying());
    QVERIFY(log.lines.last().startsWith("keying stopped after 0."));
    QVERIFY(log.lines.last().endsWith(" of 2.580 s"));

    // A stopped keying never reports that it finished.
    QTest::qWait(50);
    QCOMPARE(log.lines.filter("finished").size(), 0);
    transmitter.receive("=B0\r");
    QCOMPARE(log.lines.last(), QStringLiteral("nothing was keying"));
}

void TestSimTransmitter::secondStartRestarts()
{
    SimTransmitter transmitter;
    Log log(transmitter);
    transmitter.receive("=S999\r=MPARIS\r=BT\r=S600\r=ME\r");
    QVERIFY(transmitter.isKeying());
    transmitter.receive("=BT\r"); // the new message at the new speed
    QVERIFY(log.lines.filter("keying cut short").size() == 1);
    QCOMPARE(transmitter.keyingDurationMs(), qint64(20));
    QTRY_VERIFY_WITH_TIMEOUT(!transmitter.isKeying(), 5000);
    QCOMPARE(log.lines.filter("keying finished").size(), 1);
}

void TestSimTransmitter::cannotKey_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("logged");

    QTest::newRow("speed 0") << QByteArray("=S 0\r=MPARIS\r=BT\r")
                             << "cannot key 'PARIS': the speed is 0 wpm";
    QTest::newRow("no message yet")
        << QByteArray("=BT\r") << "nothing to key: the message is empty";
    QTest::newRow("empty message")
        << QByteArray("=MCQ\r=M\r=BT\r") << "nothing to key: the message is empty";
    QTest::newRow("blanks only") << QByteArray("=M   \r=BT\r")
                                 << "nothing to key: no character of '   ' has Morse";
    QTest::newRow("no Morse at all")
        << QByteArray("=M~#%\r=BT\r") << "nothing to key: no character of '~#%' has Morse";
}

void TestSimTransmitter::cannotKey()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, logged);

    SimTransmitter transmitter;
    Log log(transmitter);
    transmitter.receive(input);
    QVERIFY(!transmitter.isKeying());
    QCOMPARE(log.lines.last(), logged);
}

void TestSimTransmitter::reportsCharactersWithoutMorse()
{
    SimTransmitter transmitter;
    Log log(transmitter);
    transmitter.receive("=S200\r=MA~B%3#\r=BT\r");
    QVERIFY(transmitter.isKeying());
    QCOMPARE(log.lines.last(),
             QStringLiteral("keying started: 'A~B%3#' at 20 wpm, 33 units of 60 ms = 1.980 s; "
                            "not keyed (no Morse): '~%#'"));
}

void TestSimTransmitter::repliesAfterTheDelay()
{
    SimSettings settings;
    settings.replyDelayMs = 60;
    SimTransmitter transmitter(settings);
    Log log(transmitter);
    QSignalSpy replies(&transmitter, &SimTransmitter::replyReady);

    QElapsedTimer clock;
    clock.start();
    transmitter.receive("?I\r?I\r");
    QCOMPARE(replies.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 2, 5000);
    QVERIFY2(clock.elapsed() >= 55, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(replies.at(0).at(0).toByteArray(), QByteArray("#I:VAKO BIRCH SIM 1.0\r"));
    QCOMPARE(log.lines.filter("tx \"#I:VAKO BIRCH SIM 1.0\\r\"  information reply").size(), 2);

    settings.replyDelayMs = 0;
    settings.info = QByteArray("ABC", 3);
    SimTransmitter other(settings);
    QSignalSpy otherReplies(&other, &SimTransmitter::replyReady);
    other.receive("?I\r");
    QTRY_COMPARE_WITH_TIMEOUT(otherReplies.size(), 1, 5000);
    QCOMPARE(otherReplies.at(0).at(0).toByteArray(), QByteArray("ABC"));
}

void TestSimTransmitter::silentNeverReplies()
{
    SimSettings settings;
    settings.silent = true;
    settings.replyDelayMs = 0;
    SimTransmitter transmitter(settings);
    Log log(transmitter);
    QSignalSpy replies(&transmitter, &SimTransmitter::replyReady);
    transmitter.receive("?I\r");
    QTest::qWait(150); // longer than the panel waits
    QCOMPARE(replies.size(), 0);
    QCOMPARE(log.lines, QStringList({"rx \"?I\\r\"  information query", "no reply (silent)"}));
}

void TestSimTransmitter::overlongLineIsReportedOnce()
{
    SimSettings settings;
    settings.maxLineBytes = 64;
    SimTransmitter transmitter(settings);
    Log log(transmitter);
    transmitter.receive(QByteArray(1000, '%'));
    transmitter.receive(QByteArray(1000, 'B') + "\r=F136000\r");
    QCOMPARE(log.lines.size(), 2);
    QVERIFY2(log.lines.at(0).startsWith("rx \"" + QString(48, '%') + "\"... (64 bytes without CR)"),
             qPrintable(log.lines.at(0)));
    QVERIFY(log.lines.at(0).contains("not understood: line too long"));
    QCOMPARE(transmitter.frequency(), 136000);
}

void TestSimTransmitter::stampHasTimeOfDay()
{
    const QString line = SimTransmitter::stamped("rx x");
    static const QRegularExpression form(
        QStringLiteral("^([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d\\.\\d{3} rx x$"));
    QVERIFY2(form.match(line).hasMatch(), qPrintable(line));
}

void TestSimTransmitter::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<SimCommandLine::Status>("status");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("error"); // part of the usage error

    const QByteArray info = SimSettings().info;
    const auto run = SimCommandLine::Run;
    const auto bad = SimCommandLine::UsageError;

    QTest::newRow("defaults") << QStringList() << run << 0 << 20 << info << false << "";
    QTest::newRow("register") << QStringList{"--ini", "p.ini", "--port", "7"} << run << 7 << 20
                              << info << false << "";
    QTest::newRow("port 1") << QStringList{"--ini", "p.ini", "--port", "1"} << run << 1 << 20
                            << info << false << "";
    QTest::newRow("port 100") << QStringList{"--ini=p.ini", "--port=100"} << run << 100 << 20
                              << info << false << "";
    QTest::newRow("reply options")
        << QStringList{"--reply-delay", "150", "--info", "ABC\\x0D", "--silent"} << run << 0 << 150
        << QByteArray("ABC\r") << true << "";
    QTest::newRow("delay 0") << QStringList{"--reply-delay", "0"} << run << 0 << 0 << info << false
                             << "";
    QTest::newRow("port 0") << QStringList{"--ini", "p.ini", "--port", "0"} << bad << 0 << 0
                            << QByteArray() << false << "--port";
    QTest::newRow("port 101") << QStringList{"--ini", "p.ini", "--port", "101"} << bad << 0 << 0
                              << QByteArray() << false << "--port";
    QTest::newRow("port not a number") << QStringList{"--ini", "p.ini", "--port", "COM3"} << bad
                                       << 0 << 0 << QByteArray() << false << "--port";
    QTest::newRow("port without ini")
        << QStringList{"--port", "3"} << bad << 0 << 0 << QByteArray() << false << "go together";
    QTest::newRow("ini without port")
        << QStringList{"--ini", "p.ini"} << bad << 0 << 0 << QByteArray() << false << "go together";
    QTest::newRow("negative delay") << QStringList{"--reply-delay", "-5"} << bad << 0 << 0
                                    << QByteArray() << false << "--reply-delay";
    QTest::newRow("delay not a number") << QStringList{"--reply-delay", "soon"} << bad << 0 << 0
                                        << QByteArray() << false << "--reply-delay";
    QTest::newRow("bad escape") << QStringList{"--info", "A\\q"} << bad << 0 << 0 << QByteArray()
                                << false << "--info";
    QTest::newRow("unknown option")
        << QStringList{"--baud", "9600"} << bad << 0 << 0 << QByteArray() << false << "baud";
    QTest::newRow("stray argument")
        << QStringList{"/dev/pts/3"} << bad << 0 << 0 << QByteArray() << false << "/dev/pts/3";
    QTest::newRow("help") << QStringList{"--help"} << SimCommandLine::ShowHelp << 0 << 0
                          << QByteArray() << false << "";
}

void TestSimTransmitter::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(SimCommandLine::Status, status);
    QFETCH(int, port);
    QFETCH(int, delay);
    QFETCH(QByteArray, info);
    QFETCH(bool, silent);
    QFETCH(QString, error);

    const SimCommandLine result = parseSimCommandLine(QStringList{"vako-txsim"} + arguments);
    QCOMPARE(result.status, status);
    if (status == SimCommandLine::UsageError) {
        QVERIFY2(result.text.contains(error), qPrintable(result.text));
        return;
    }
    if (status == SimCommandLine::ShowHelp) {
        for (const char *option : {"--ini", "--port", "--reply-delay", "--info", "--silent"})
            QVERIFY2(result.text.contains(QLatin1String(option)), option);
        return;
    }
    QCOMPARE(result.options.port, port);
    QCOMPARE(result.options.iniPath.isEmpty(), port == 0);
    QCOMPARE(result.options.settings.replyDelayMs, delay);
    QCOMPARE(result.options.settings.info, info);
    QCOMPARE(result.options.settings.silent, silent);
}

QTEST_GUILESS_MAIN(TestSimTransmitter)
#include "tst_simtransmitter.moc"
