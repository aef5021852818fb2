#include "FakeDialogs.h"
#include "Pty.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "link/QtSerialControl.h"
#include "ui_main_Form.h"

#include <QElapsedTimer>
#include <QTest>

// The information query end to end: the panel on a real pseudo-terminal, the
// test answering as the transmitter, the reply collected by the window's own
// 100 ms timer.
class tst_InformationQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reply_data()
    {
        const QString sw =
            QStringLiteral("\nVAKO ALDER & BIRCH Embedded SW\n"
                           "Control panel for the VAKO ALDER and BIRCH transmitters");
        QTest::addColumn<QByteArrayList>("answers"); // one per query
        QTest::addColumn<bool>("close");             // the port closes before the tick
        QTest::addColumn<QString>("shown");
        QTest::newRow("ten characters") << QByteArrayList{"#I:BIRCH 2"} << false << "BIRCH 2" + sw;
        QTest::newRow("seven characters") << QByteArrayList{"#I:V1.4"} << false << "V1.4" + sw;
        QTest::newRow("three characters") << QByteArrayList{"#I:"} << false << sw;
        QTest::newRow("none") << QByteArrayList{""} << false << "No Connection to VAKO Transmitter";
        QTest::newRow("second query while armed")
            << QByteArrayList{"#I:FIRST", "#I:SECOND"} << false << "SECOND" + sw;
        QTest::newRow("port closed before the tick") << QByteArrayList{"#I:V1.4"} << true << "";
    }
    void reply()
    {
        QFETCH(QByteArrayList, answers);
        QFETCH(bool, close);
        QFETCH(QString, shown);
        installFontSubstitutes();
        Pty pty;
        QVERIFY(pty.isValid());
        QtSerialControl comm([&pty](qint64) { return pty.deviceName(); });
        FakeDialogs dialogs;
        main_Form form(comm, dialogs);
        QVERIFY(comm.setCommPort(1) && comm.setPortOpen(true));
        QElapsedTimer clock;
        qint64 shownAfter = -1;
        dialogs.onBox = [&](const MessageBoxRequest &) { shownAfter = clock.elapsed(); };
        // What the transmitter said before a query is no part of its reply.
        pty.write("#I:UNPROMPTED\r");
        QTest::qSleep(50);
        for (const QByteArray &answer : answers) {
            clock.start();
            form.ui().menuShow_VAKO_Software_Version->trigger();
            QCOMPARE(pty.read(1000, 3), QByteArray("?I\r"));
            pty.write(answer);
            QTest::qSleep(50); // no event-loop turn: the timer cannot tick
        }
        if (close)
            QVERIFY(comm.setPortOpen(false));
        // One box at most, after the full wait from the last query; a busy
        // machine may be late with the tick, never early.
        if (!shown.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!dialogs.boxes.isEmpty(), 5000);
        QTest::qWait(300);
        QCOMPARE(dialogs.texts(), shown.isEmpty() ? QStringList() : QStringList{shown});
        QVERIFY2(shown.isEmpty() || shownAfter >= 90, qPrintable(QString::number(shownAfter)));
        QVERIFY(!form.Timer1().isActive());
    }
};

QTEST_MAIN(tst_InformationQuery)
#include "tst_informationquery.moc"
