#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "panel/MessageTransmission.h"
#include "ui_main_Form.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

// Transmit, Stop and the start of the information query, against the
// scripted serial control: the exact bytes each puts on the wire, and what a
// closed port says.
class tst_MessageTransmission : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void transmit_data();
    void transmit();
    void lineBreakTypedInTheBoxStaysOnOneLine();
    void messageField_data();
    void messageField();
    void transmitDiscardsEarlierText();
    void stop();
    void queryDiscardsEarlierTextAndArmsTheTimer();
    void closedPort_data();
    void closedPort();
    void informationText_data();
    void informationText();

private:
    void openPort();

    FakeSerialControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    main_Form *m_form = nullptr;
};

void tst_MessageTransmission::init()
{
    installFontSubstitutes();
    m_comm = new FakeSerialControl;
    m_dialogs = new FakeDialogs;
    m_form = new main_Form(*m_comm, *m_dialogs);
}

void tst_MessageTransmission::cleanup()
{
    delete m_form;
    delete m_dialogs;
    delete m_comm;
}

void tst_MessageTransmission::openPort()
{
    m_comm->presentPorts = {4};
    QVERIFY(m_comm->setCommPort(4));
    QVERIFY(m_comm->setPortOpen(true));
}

void tst_MessageTransmission::transmit_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("messageLine");

    QTest::newRow("empty box") << "" << QByteArray("=M\r");
    QTest::newRow("the start-up message") << "CQ DE VAKO K" << QByteArray("=MCQ DE VAKO K\r");
    QTest::newRow("blanks kept as typed") << "  CQ  TEST " << QByteArray("=M  CQ  TEST \r");
    QTest::newRow("several lines") << "CQ CQ\nDE VAKO\nK" << QByteArray("=MCQ CQ DE VAKO K\r");
    // A line of the message that looks like a command must not become one.
    QTest::newRow("line that looks like a command") << "TEST\n=P3" << QByteArray("=MTEST =P3\r");
    QTest::newRow("empty line") << "A\n\nB" << QByteArray("=MA  B\r");
    QTest::newRow("break at the end") << "CQ\n" << QByteArray("=MCQ \r");
    QTest::newRow("Windows-1252 letters")
        << QString::fromUtf8("73 \u00C4\u00D6 \u20AC") << QByteArray("=M73 \xC4\xD6 \x80\r");
    QTest::newRow("outside Windows-1252")
        << QString::fromUtf8("\u03A9 \U0001F600") << QByteArray("=M? ?\r");
    QTest::newRow("200 characters")
        << QString(200, u'E') << QByteArray("=M" + QByteArray(200, 'E') + '\r');
}

void tst_MessageTransmission::transmit()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, messageLine);
    openPort();
    m_form->ui().Message_Text->setPlainText(message);
    m_form->ui().Send_button->click();
    // Two writes, each one whole line, back to back.
    QCOMPARE(m_comm->writes, (QList<QByteArray>{messageLine, QByteArray("=BT\r")}));
    QVERIFY(m_dialogs->boxes.isEmpty());
    // Sending leaves the operator's text as it was.
    QCOMPARE(m_form->ui().Message_Text->toPlainText(), message);
}

void tst_MessageTransmission::lineBreakTypedInTheBoxStaysOnOneLine()
{
    openPort();
    QPlainTextEdit *box = m_form->ui().Message_Text;
    box->clear();
    QTest::keyClicks(box, "CQ");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "DE");
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier); // a line break within the paragraph
    QTest::keyClicks(box, "K");
    m_form->ui().Send_button->click();
    QCOMPARE(m_comm->wire(), QByteArray("=MCQ DE K\r=BT\r"));
}

void tst_MessageTransmission::messageField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("CR LF is one space") << "A\r\nB"
                                        << "A B";
    QTest::newRow("CR alone") << "A\rB"
                              << "A B";
    QTest::newRow("LF alone") << "A\nB"
                              << "A B";
    QTest::newRow("LF CR is two breaks") << "A\n\rB"
                                         << "A  B";
    QTest::newRow("mixed") << "1\r\n2\r3\n4"
                           << "1 2 3 4";
    QTest::newRow("line separator") << QString("A" + QString(QChar(0x2028)) + "B") << "A B";
    QTest::newRow("tab untouched") << "A\tB"
                                   << "A\tB";
    QTest::newRow("nothing to change") << "CQ DE VAKO K"
                                       << "CQ DE VAKO K";
}

void tst_MessageTransmission::messageField()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(MessageTransmission::messageField(text), field);
}

void tst_MessageTransmission::transmitDiscardsEarlierText()
{
    openPort();
    m_comm->receiveBuffer = "#I:LATE REPLY\r";
    m_form->ui().Send_button->click();
    QVERIFY(m_comm->receiveBuffer.isEmpty());
    QCOMPARE(m_comm->writes.size(), 2);
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void tst_MessageTransmission::stop()
{
    openPort();
    m_form->ui().Stop_button->click();
    QCOMPARE(m_comm->wire(), QByteArray::fromHex("3D42300D"));
    // Stop may be pressed any time, as often as the operator likes.
    m_form->ui().Stop_button->click();
    QCOMPARE(m_comm->writes, (QList<QByteArray>{"=B0\r", "=B0\r"}));
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void tst_MessageTransmission::queryDiscardsEarlierTextAndArmsTheTimer()
{
    openPort();
    m_comm->receiveBuffer = "unprompted";
    QVERIFY(!m_form->Timer1().isActive());
    m_form->ui().menuShow_VAKO_Software_Version->trigger();
    QCOMPARE(m_comm->wire(), QByteArray("?I\r"));
    QVERIFY(m_comm->receiveBuffer.isEmpty());
    QVERIFY(m_form->Timer1().isActive());
    QVERIFY(m_dialogs->boxes.isEmpty());
    m_form->Timer1().stop();
}

void tst_MessageTransmission::closedPort_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("Transmit") << "Send_button"
                              << "Com port is Closed" << kApplicationTitle;
    QTest::newRow("Stop") << "Stop_button"
                          << "Com port is Closed" << kApplicationTitle;
    QTest::newRow("information") << "menuShow_VAKO_Software_Version"
                                 << "Comp Port is Closed"
                                 << "VAKO Transmitter Information";
}

void tst_MessageTransmission::closedPort()
{
    QFETCH(QString, action);
    QFETCH(QString, text);
    QFETCH(QString, title);
    m_comm->receiveBuffer = "kept";
    if (auto *button = m_form->findChild<QPushButton *>(action))
        button->click();
    else
        m_form->findChild<QAction *>(action)->trigger();

    QCOMPARE(m_dialogs->boxes.size(), 1);
    const MessageBoxRequest &box = m_dialogs->boxes.first();
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, title);
    QCOMPARE(box.buttons, MessageBoxRequest::Buttons::Ok);
    QCOMPARE(box.icon, MessageBoxRequest::Icon::None);
    QVERIFY(m_comm->writes.isEmpty());
    QVERIFY(!m_form->Timer1().isActive());
}

void tst_MessageTransmission::informationText_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("ten characters") << QByteArray("#I:BIRCH 2") << "BIRCH 2";
    QTest::newRow("seven characters") << QByteArray("#I:V1.4") << "V1.4";
    QTest::newRow("four characters") << QByteArray("#I:7") << "7";
    QTest::newRow("three characters") << QByteArray("#I:") << "";
    QTest::newRow("one character") << QByteArray("#") << "";
    QTest::newRow("carriage returns stay") << QByteArray("#I:V1\rB2\r") << "V1\rB2\r";
    QTest::newRow("8-bit text") << QByteArray("#I:\xB0"
                                              "C")
                                << QString::fromUtf8("\u00B0C");
}

void tst_MessageTransmission::informationText()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, firstLine);
    QCOMPARE(MessageTransmission::informationText(reply),
             firstLine + QStringLiteral("\nVAKO ALDER & BIRCH Embedded SW\n"
                                        "Control panel for the VAKO ALDER and BIRCH transmitters"));
}

QTEST_MAIN(tst_MessageTransmission)
#include "tst_messagetransmission.moc"
