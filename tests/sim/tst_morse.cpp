#include "sim/Morse.h"

#include <QtTest>

class TestMorse : public QObject
{
    Q_OBJECT

private slots:
    void timing_data();
    void timing();
    void duration_data();
    void duration();
    void runningTextKeepsParisSpeed();
};

void TestMorse::timing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<int>("keyed");
    QTest::addColumn<QString>("skipped");

    // Dot 1, dash 3, inside a character 1, between characters 3, words 7;
    // the count ends with the last element.
    QTest::newRow("dot") << "E" << qint64(1) << 1 << "";
    QTest::newRow("dash") << "T" << qint64(3) << 1 << "";
    QTest::newRow("PARIS without its word gap") << "PARIS" << qint64(43) << 5 << "";
    QTest::newRow("two words") << "PARIS PARIS" << qint64(93) << 10 << "";
    QTest::newRow("lower case") << "paris" << qint64(43) << 5 << "";
    QTest::newRow("blanks around add nothing") << "  PARIS \t" << qint64(43) << 5 << "";
    QTest::newRow("a run of blanks is one gap") << "PARIS   \tPARIS" << qint64(93) << 10 << "";
    QTest::newRow("SOS") << "SOS" << qint64(27) << 3 << "";
    QTest::newRow("CQ") << "CQ" << qint64(27) << 2 << "";
    QTest::newRow("digits") << "73" << qint64(29) << 2 << "";
    QTest::newRow("punctuation") << "?" << qint64(15) << 1 << "";
    QTest::newRow("slash") << "DE/P" << qint64(7 + 3 + 1 + 3 + 13 + 3 + 11) << 4 << "";
    QTest::newRow("no Morse is skipped") << "A~B" << qint64(17) << 2 << "~";
    QTest::newRow("skipped between words") << "A ~ B" << qint64(21) << 2 << "~";
    QTest::newRow("accented letter skipped")
        << QString::fromUtf8("CAFÉ") << qint64(11 + 3 + 5 + 3 + 9) << 3 << QString::fromUtf8("É");
    QTest::newRow("only unkeyable") << "~#%" << qint64(0) << 0 << "~#%";
    QTest::newRow("empty") << "" << qint64(0) << 0 << "";
    QTest::newRow("blanks only") << "   " << qint64(0) << 0 << "";
}

void TestMorse::timing()
{
    QFETCH(QString, text);
    QFETCH(qint64, units);
    QFETCH(int, keyed);
    QFETCH(QString, skipped);

    const Morse::Timing timing = Morse::timing(text);
    QCOMPARE(timing.units, units);
    QCOMPARE(timing.keyedCharacters, keyed);
    QCOMPARE(timing.skipped, skipped);
}

void TestMorse::duration_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<int>("speedTenths");
    QTest::addColumn<qint64>("ms");

    QTest::newRow("PARIS with word gap at 20 wpm") << qint64(50) << 200 << qint64(3000);
    QTest::newRow("PARIS keyed at 20 wpm") << qint64(43) << 200 << qint64(2580);
    QTest::newRow("one dot at 12 wpm") << qint64(1) << 120 << qint64(100);
    QTest::newRow("slowest field 0.1 wpm") << qint64(1) << 1 << qint64(12000);
    QTest::newRow("0.5 wpm") << qint64(50) << 5 << qint64(120000);
    QTest::newRow("rounds down") << qint64(1) << 7 << qint64(1714); // 1714.28...
    QTest::newRow("rounds up") << qint64(2) << 7 << qint64(3429);   // 3428.57...
    QTest::newRow("fastest field 99.9 wpm") << qint64(999) << 999 << qint64(12000);
    QTest::newRow("long text at a slow speed") << qint64(100000) << 1 << qint64(1200000000);
    QTest::newRow("speed 0") << qint64(50) << 0 << qint64(-1);
    QTest::newRow("negative speed") << qint64(50) << -10 << qint64(-1);
}

void TestMorse::duration()
{
    QFETCH(qint64, units);
    QFETCH(int, speedTenths);
    QFETCH(qint64, ms);
    QCOMPARE(Morse::durationMs(units, speedTenths), ms);
}

void TestMorse::runningTextKeepsParisSpeed()
{
    // W words "PARIS" fill one minute at W wpm, the last word gap being the
    // silence after the keying.
    for (int wpm : {5, 12, 20, 40}) {
        QStringList words;
        for (int i = 0; i < wpm; ++i)
            words << QStringLiteral("PARIS");
        const Morse::Timing timing = Morse::timing(words.join(QLatin1Char(' ')));
        const qint64 ms = Morse::durationMs(timing.units, wpm * 10);
        QCOMPARE(ms + Morse::durationMs(7, wpm * 10), qint64(60000));
    }
}

QTEST_GUILESS_MAIN(TestMorse)
#include "tst_morse.moc"
