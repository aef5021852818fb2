#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "panel/DisplayLabel.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QButtonGroup>
#include <QPushButton>
#include <QTest>

// The CW speed buttons, the power options and the Keyer menu, each as the
// operator works them, with the exact line each one puts on the wire.
class tst_KeyingControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void speedButtons_data();
    void speedButtons();
    void offGridSpeedWalksToItsOwnLimit();
    void speedWithPortClosedIsStoredNotSent();
    void speedThatSpellsNoNumberIsNotStepped();
    void powerOption_data();
    void powerOption();
    void powerOptionAlreadySelectedSendsNothing();
    void keyerMenu_data();
    void keyerMenu();
    void keyerMenuWithPortClosed();

private:
    void showBirchWith(Number speed, bool open = true);
    int checkedKeyer() const;
    ModelProfile &birch() { return m_form->session().profile(ModelId::Birch); }

    FakeSerialControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    main_Form *m_form = nullptr;
};

void tst_KeyingControls::init()
{
    installFontSubstitutes();
    m_comm = new FakeSerialControl;
    m_dialogs = new FakeDialogs;
    m_form = new main_Form(*m_comm, *m_dialogs);
    m_form->session().setBuiltInValues();
}

void tst_KeyingControls::cleanup()
{
    delete m_form;
    delete m_dialogs;
    delete m_comm;
}

void tst_KeyingControls::showBirchWith(Number speed, bool open)
{
    Session &session = m_form->session();
    birch().CW_speed = speed;
    session.loadProfile(birch());
    m_form->panel().RefreshPanel();
    if (open) {
        m_comm->presentPorts = {2};
        QVERIFY(m_comm->setCommPort(2));
        QVERIFY(m_comm->setPortOpen(true));
    }
}

int tst_KeyingControls::checkedKeyer() const
{
    int checked = -1;
    const QList<QAction *> &entries = m_form->panel().ui.menu_Keyer;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i]->isChecked()) {
            if (checked >= 0)
                return -2; // more than one check mark
            checked = i;
        }
    }
    return checked;
}

void tst_KeyingControls::speedButtons_data()
{
    QTest::addColumn<qint64>("speed");
    QTest::addColumn<bool>("up");
    QTest::addColumn<qint64>("stepped");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("up to the top")
        << qint64(490) << true << qint64(500) << "50" << QByteArray("=S500\r");
    QTest::newRow("up at the top") << qint64(500) << true << qint64(500) << "50" << QByteArray();
    QTest::newRow("up whole wpm") << qint64(200) << true << qint64(210) << "21"
                                  << QByteArray("=S210\r");
    QTest::newRow("up from 0.9 wpm")
        << qint64(9) << true << qint64(10) << "1" << QByteArray("=S 10\r");
    QTest::newRow("up from 1 wpm")
        << qint64(10) << true << qint64(20) << "2" << QByteArray("=S 20\r");
    QTest::newRow("up in tenths") << qint64(1) << true << qint64(2) << "0.2"
                                  << QByteArray("=S 2\r");
    QTest::newRow("down to 1 wpm")
        << qint64(20) << false << qint64(10) << "1" << QByteArray("=S 10\r");
    QTest::newRow("down from 1 wpm")
        << qint64(10) << false << qint64(9) << "0.9" << QByteArray("=S 9\r");
    QTest::newRow("down from 10 wpm")
        << qint64(100) << false << qint64(90) << "9" << QByteArray("=S 90\r");
    QTest::newRow("down to the bottom")
        << qint64(2) << false << qint64(1) << "0.1" << QByteArray("=S 1\r");
    QTest::newRow("down at the bottom") << qint64(1) << false << qint64(1) << "0.1" << QByteArray();
    QTest::newRow("down from 0") << qint64(0) << false << qint64(0) << "0" << QByteArray();
}

void tst_KeyingControls::speedButtons()
{
    QFETCH(qint64, speed);
    QFETCH(bool, up);
    QFETCH(qint64, stepped);
    QFETCH(QString, shown);
    QFETCH(QByteArray, wire);
    showBirchWith(speed);

    Ui::main_Form &ui = m_form->ui();
    (up ? ui.CW_speed_up : ui.CW_speed_down)->click();

    QCOMPARE(m_form->session().state.CW_speed, Number(stepped));
    QCOMPARE(birch().CW_speed, Number(stepped));
    QCOMPARE(ui.CW_speed_display->text(), shown);
    QCOMPARE(m_comm->wire(), wire);
    QCOMPARE(m_comm->writes.size(), wire.isEmpty() ? 0 : 1);
}

void tst_KeyingControls::offGridSpeedWalksToItsOwnLimit()
{
    // 1.5 wpm from a hand-edited settings file: the buttons keep its tenth.
    showBirchWith(15);
    QList<QByteArray> expected;
    for (qint64 speed = 25; speed <= 505; speed += 10)
        expected << "=S" + QByteArray::number(speed).rightJustified(3, ' ') + '\r';
    for (int click = 0; click < 60; ++click)
        m_form->ui().CW_speed_up->click();
    QCOMPARE(m_comm->writes, expected);
    QCOMPARE(m_comm->writes.first(), QByteArray("=S 25\r"));
    QCOMPARE(m_comm->writes.last(), QByteArray("=S505\r"));
    QCOMPARE(m_form->ui().CW_speed_display->text(), QStringLiteral("50.5"));

    m_form->session().state.CW_speed = 15;
    m_comm->clearWrites();
    m_form->ui().CW_speed_down->click();
    QCOMPARE(m_form->session().state.CW_speed, Number(5));
    QCOMPARE(m_form->ui().CW_speed_display->text(), QStringLiteral("0.5"));
    QCOMPARE(m_comm->wire(), QByteArray("=S 5\r"));
}

void tst_KeyingControls::speedWithPortClosedIsStoredNotSent()
{
    showBirchWith(200, false);
    m_form->ui().CW_speed_down->click();
    QCOMPARE(m_form->ui().CW_speed_display->text(), QStringLiteral("19"));
    QCOMPARE(birch().CW_speed, Number(190));
    QVERIFY(m_comm->writes.isEmpty());
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void tst_KeyingControls::speedThatSpellsNoNumberIsNotStepped()
{
    showBirchWith(Number());
    m_form->ui().CW_speed_up->click();
    m_form->ui().CW_speed_down->click();
    QCOMPARE(m_form->session().state.CW_speed, Number());
    QCOMPARE(m_form->ui().CW_speed_display->text(), QString());
    QVERIFY(m_comm->writes.isEmpty());
}

void tst_KeyingControls::powerOption_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("MAX") << 3 << true << QByteArray("=P3\r");
    QTest::newRow("HIGH") << 2 << true << QByteArray("=P2\r");
    QTest::newRow("LOW") << 1 << true << QByteArray("=P1\r");
    QTest::newRow("MAX, port closed") << 3 << false << QByteArray();
}

void tst_KeyingControls::powerOption()
{
    QFETCH(int, index);
    QFETCH(bool, open);
    QFETCH(QByteArray, wire);
    showBirchWith(200, open);
    m_form->panel().ui.Power_Option->button(index)->click();
    QCOMPARE(m_form->session().state.Power, Number(index));
    QCOMPARE(birch().Power, Number(index));
    QCOMPARE(m_form->session().profile(ModelId::Alder).Power, Number(1));
    QCOMPARE(m_comm->wire(), wire);
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void tst_KeyingControls::powerOptionAlreadySelectedSendsNothing()
{
    showBirchWith(200);
    QCOMPARE(m_form->panel().ui.Power_Option->checkedId(), 0);
    m_form->panel().ui.Power_Option->button(0)->click();
    QVERIFY(m_comm->writes.isEmpty());
}

void tst_KeyingControls::keyerMenu_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("Dot Priority") << 0 << QByteArray("=K 0\r");
    QTest::newRow("Iambic A") << 1 << QByteArray("=K 1\r");
    QTest::newRow("Iambic B again") << 2 << QByteArray("=K 2\r");
    QTest::newRow("Straight") << 3 << QByteArray::fromHex("3D4B20330D");
}

void tst_KeyingControls::keyerMenu()
{
    QFETCH(int, index);
    QFETCH(QByteArray, wire);
    showBirchWith(200);
    QCOMPARE(checkedKeyer(), 2);

    m_form->panel().ui.menu_Keyer[index]->trigger();
    QCOMPARE(m_form->session().state.Keyer_Type, Number(index));
    QCOMPARE(m_comm->wire(), wire);
    QCOMPARE(checkedKeyer(), index);
    QVERIFY(m_dialogs->boxes.isEmpty());
    // The keyer mode belongs to the panel, not to a model.
    QCOMPARE(birch().Power, Number(0));
}

void tst_KeyingControls::keyerMenuWithPortClosed()
{
    showBirchWith(200, false);
    m_form->panel().ui.menu_Keyer[3]->trigger();
    QCOMPARE(m_dialogs->boxes,
             QList<MessageBoxRequest>{MessageBoxRequest{QStringLiteral("Com port is closed")}});
    QCOMPARE(m_dialogs->boxes.first().title, kApplicationTitle);
    QCOMPARE(m_form->session().state.Keyer_Type, Number(2));
    QCOMPARE(checkedKeyer(), 2);
    QVERIFY(m_comm->writes.isEmpty());
}

QTEST_MAIN(tst_KeyingControls)
#include "tst_keyingcontrols.moc"
