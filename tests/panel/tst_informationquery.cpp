#include "FakeDialogs.h"
#include "Pty.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "link/QtSerialControl.h"
#include "ui_main_Form.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include <memory>

// The information query end to end: the panel on a real pseudo-terminal,
// the test answering as the transmitter, the reply collected by the window's
// own 100 ms timer.
class tst_InformationQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void reply_data();
    void reply();
    void lateReplyIsNotShownAndIsDiscardedNext();
    void secondQueryWhileArmed();
    void portClosedBeforeTheTickShowsNothing();
    void noSecondTickWhileTheBoxIsOpen();

private:
    void query();
    // Waits for the query's box (or for `ms` without one).
    bool waitForBoxes(int count, int ms = 2000);

    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<QtSerialControl> m_comm;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<main_Form> m_form;
};

namespace {

const QString kTitle = QStringLiteral("VAKO Transmitter Information");
const QString kSoftwareLines =
    QStringLiteral("\nVAKO ALDER & BIRCH Embedded SW\n"
                   "Control panel for the VAKO ALDER and BIRCH transmitters");

} // namespace

void tst_InformationQuery::init()
{
    installFontSubstitutes();
    m_pty = std::make_unique<Pty>();
    QVERIFY(m_pty->isValid());
    const QString device = m_pty->deviceName();
    m_comm = std::make_unique<QtSerialControl>(
        [device](qint64 n) { return n == 1 ? device : QString(); });
    m_dialogs = std::make_unique<FakeDialogs>();
    m_form = std::make_unique<main_Form>(*m_comm, *m_dialogs);
    QVERIFY(m_comm->setCommPort(1));
    QVERIFY(m_comm->setPortOpen(true));
}

void tst_InformationQuery::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
    m_comm.reset();
    m_pty.reset();
}

void tst_InformationQuery::query()
{
    m_form->ui().menuShow_VAKO_Software_Version->trigger();
    // The line is on the wire as soon as the menu handler returns.
    QCOMPARE(m_pty->read(1000, 3), QByteArray("?I\r"));
}

bool tst_InformationQuery::waitForBoxes(int count, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (m_dialogs->boxes.size() < count && clock.elapsed() < ms)
        QTest::qWait(5);
    return m_dialogs->boxes.size() >= count;
}

void tst_InformationQuery::reply_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ten characters")
        << QByteArray("#I:BIRCH 2") << QString("BIRCH 2" + kSoftwareLines);
    QTest::newRow("seven characters") << QByteArray("#I:V1.4") << QString("V1.4" + kSoftwareLines);
    QTest::newRow("three characters") << QByteArray("#I:") << kSoftwareLines;
    QTest::newRow("carriage return kept")
        << QByteArray("#I:V1.4\r") << QString("V1.4\r" + kSoftwareLines);
    QTest::newRow("silent transmitter")
        << QByteArray() << QStringLiteral("No Connection to VAKO Transmitter");
}

void tst_InformationQuery::reply()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, shown);
    // Something the transmitter said before the query is no part of its reply.
    m_pty->write("#I:UNPROMPTED\r");
    QTest::qSleep(50);

    QElapsedTimer clock;
    clock.start();
    qint64 shownAfter = -1;
    m_dialogs->onBox = [&](const MessageBoxRequest &) { shownAfter = clock.elapsed(); };
    query();
    if (!answer.isEmpty())
        m_pty->write(answer);

    QVERIFY(waitForBoxes(1));
    const MessageBoxRequest &box = m_dialogs->boxes.first();
    QCOMPARE(box.text, shown);
    QCOMPARE(box.title, kTitle);
    QCOMPARE(box.buttons, MessageBoxRequest::Buttons::Ok);
    // The reply is collected once, after the fixed wait.
    QVERIFY2(shownAfter >= 90, qPrintable(QString::number(shownAfter)));
    QVERIFY(!m_form->Timer1().isActive());

    // Exactly one box per query.
    QTest::qWait(300);
    QCOMPARE(m_dialogs->boxes.size(), 1);
}

void tst_InformationQuery::lateReplyIsNotShownAndIsDiscardedNext()
{
    query();
    QVERIFY(waitForBoxes(1));
    QCOMPARE(m_dialogs->boxes.first().text, QStringLiteral("No Connection to VAKO Transmitter"));

    // The answer comes after the tick: it waits unread until the next query,
    // which drops it.
    m_pty->write("#I:LATE");
    QTest::qWait(50);
    QCOMPARE(m_dialogs->boxes.size(), 1);
    query();
    m_pty->write("#I:FRESH");
    QVERIFY(waitForBoxes(2));
    QCOMPARE(m_dialogs->boxes.at(1).text, QString("FRESH" + kSoftwareLines));
}

void tst_InformationQuery::secondQueryWhileArmed()
{
    query();
    m_pty->write("#I:FIRST");
    // No event-loop turn: the timer cannot tick in between.
    QTest::qSleep(50);
    QVERIFY(m_form->Timer1().isActive());
    QElapsedTimer clock;
    clock.start();
    qint64 shownAfter = -1;
    m_dialogs->onBox = [&](const MessageBoxRequest &) { shownAfter = clock.elapsed(); };
    query();
    QVERIFY(m_form->Timer1().isActive());
    m_pty->write("#I:SECOND");

    QVERIFY(waitForBoxes(1));
    // The second question gets the full wait for its answer.
    QVERIFY2(shownAfter >= 90, qPrintable(QString::number(shownAfter)));
    QCOMPARE(m_dialogs->boxes.first().text, QString("SECOND" + kSoftwareLines));
    QTest::qWait(300);
    QCOMPARE(m_dialogs->boxes.size(), 1);
}

void tst_InformationQuery::portClosedBeforeTheTickShowsNothing()
{
    query();
    m_pty->write("#I:V1.4");
    QVERIFY(m_comm->setPortOpen(false));
    QTest::qWait(300);
    QVERIFY(m_dialogs->boxes.isEmpty());
    QVERIFY(!m_form->Timer1().isActive());
}

void tst_InformationQuery::noSecondTickWhileTheBoxIsOpen()
{
    bool armedWhileShown = true;
    m_dialogs->onBox = [&](const MessageBoxRequest &) {
        armedWhileShown = m_form->Timer1().isActive();
        // The operator reads the box for a while; events keep running.
        QTest::qWait(300);
    };
    query();
    m_pty->write("#I:V1.4");
    QVERIFY(waitForBoxes(1));
    QVERIFY(!armedWhileShown);
    QTest::qWait(50);
    QCOMPARE(m_dialogs->boxes.size(), 1);
}

QTEST_MAIN(tst_InformationQuery)
#include "tst_informationquery.moc"
