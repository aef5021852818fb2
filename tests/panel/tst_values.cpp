#include "panel/DisplayText.h"
#include "panel/NumberText.h"

#include <QTest>

class tst_Values : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void signedText_data();
    void signedText();
    void frequencyDisplay_data();
    void frequencyDisplay();
    void speedDisplay_data();
    void speedDisplay();
};

void tst_Values::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<qint64>("value");

    QTest::newRow("plain") << "500000" << true << qint64(500000);
    QTest::newRow("sign blank as written") << " 136000" << true << qint64(136000);
    QTest::newRow("negative") << "-5" << true << qint64(-5);
    QTest::newRow("plus") << "+7" << true << qint64(7);
    QTest::newRow("tab before") << "\t3" << true << qint64(3);
    QTest::newRow("trailing text ignored") << "12abc" << true << qint64(12);
    QTest::newRow("fraction cut") << "1.5" << true << qint64(1);
    QTest::newRow("zero") << "0" << true << qint64(0);
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("blanks only") << "   " << false << qint64(0);
    QTest::newRow("letters") << "abc" << false << qint64(0);
    QTest::newRow("sign alone") << "-" << false << qint64(0);
    QTest::newRow("blank after sign") << "- 5" << false << qint64(0);
    QTest::newRow("leading point") << ".5" << false << qint64(0);
    QTest::newRow("eighteen digits") << "999999999999999999" << true << qint64(999999999999999999);
    QTest::newRow("nineteen digits overflow") << "9999999999999999999" << false << qint64(0);
}

void tst_Values::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(qint64, value);
    const Number parsed = NumberText::parse(text);
    QCOMPARE(parsed.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*parsed, value);
}

void tst_Values::signedText_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("positive") << qint64(136000) << " 136000";
    QTest::newRow("zero") << qint64(0) << " 0";
    QTest::newRow("negative") << qint64(-42) << "-42";
    QTest::newRow("most negative") << std::numeric_limits<qint64>::min() << "-9223372036854775808";
}

void tst_Values::signedText()
{
    QFETCH(qint64, value);
    QFETCH(QString, text);
    QCOMPARE(NumberText::signedText(value), text);
}

void tst_Values::frequencyDisplay_data()
{
    QTest::addColumn<qint64>("hertz");
    QTest::addColumn<QString>("shown");
    QTest::newRow("BIRCH") << qint64(500000) << "500.000";
    QTest::newRow("ALDER") << qint64(136000) << "136.000";
    QTest::newRow("one hertz up") << qint64(500001) << "500.001";
    QTest::newRow("one hertz down") << qint64(135999) << "135.999";
    QTest::newRow("five digits") << qint64(99999) << "99.999";
    QTest::newRow("seven digits") << qint64(1000000) << "1000.000";
    QTest::newRow("zero") << qint64(0) << "0.000";
    QTest::newRow("below one kHz") << qint64(42) << "0.042";
    QTest::newRow("negative") << qint64(-1500) << "-1.500";
}

void tst_Values::frequencyDisplay()
{
    QFETCH(qint64, hertz);
    QFETCH(QString, shown);
    QCOMPARE(DisplayText::frequency(hertz), shown);
}

void tst_Values::speedDisplay_data()
{
    QTest::addColumn<qint64>("tenths");
    QTest::addColumn<QString>("shown");
    QTest::newRow("20 wpm") << qint64(200) << "20";
    QTest::newRow("9.5 wpm") << qint64(95) << "9.5";
    QTest::newRow("0.5 wpm") << qint64(5) << "0.5";
    QTest::newRow("0.1 wpm") << qint64(1) << "0.1";
    QTest::newRow("1 wpm") << qint64(10) << "1";
    QTest::newRow("50.5 wpm") << qint64(505) << "50.5";
    QTest::newRow("zero") << qint64(0) << "0";
    QTest::newRow("negative fraction") << qint64(-5) << "-0.5";
}

void tst_Values::speedDisplay()
{
    QFETCH(qint64, tenths);
    QFETCH(QString, shown);
    QCOMPARE(DisplayText::speed(tenths), shown);
}

QTEST_APPLESS_MAIN(tst_Values)
#include "tst_values.moc"
