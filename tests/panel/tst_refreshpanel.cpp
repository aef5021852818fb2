#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "panel/DisplayLabel.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QButtonGroup>
#include <QTest>

// RefreshPanel and the handler chain it sets off: the window follows the
// session, and every shown value that changes reaches the transmitter at once.
class tst_RefreshPanel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void builtInBirchState();
    void speedDisplay_data();
    void speedDisplay();
    void optionsFollowIndexes_data();
    void optionsFollowIndexes();
    void chainSendsChangedValues_data();
    void chainSendsChangedValues();
    void chainCopiesIntoSelectedProfileOnly();
    void closedPortSendsNothingButStores();
    void unknownModelKeepsChecksAndSaysSo();
    void valuesThatSpellNoNumberSendNothing();

private:
    void openPort();
    QList<QAction *> checkedKeyers() const;

    FakeSerialControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    main_Form *m_form = nullptr;
};

void tst_RefreshPanel::init()
{
    installFontSubstitutes();
    m_comm = new FakeSerialControl;
    m_dialogs = new FakeDialogs;
    m_form = new main_Form(*m_comm, *m_dialogs);
    m_form->session().setBuiltInValues();
    m_form->session().loadProfile(*m_form->session().selectedProfile());
}

void tst_RefreshPanel::cleanup()
{
    delete m_form;
    delete m_dialogs;
    delete m_comm;
}

void tst_RefreshPanel::openPort()
{
    m_comm->presentPorts = {3};
    QVERIFY(m_comm->setCommPort(3));
    QVERIFY(m_comm->setPortOpen(true));
}

QList<QAction *> tst_RefreshPanel::checkedKeyers() const
{
    QList<QAction *> checked;
    for (QAction *entry : m_form->panel().ui.menu_Keyer) {
        if (entry->isChecked())
            checked << entry;
    }
    return checked;
}

void tst_RefreshPanel::builtInBirchState()
{
    openPort();
    m_form->panel().RefreshPanel();
    Ui::main_Form &ui = m_form->ui();

    QCOMPARE(m_form->windowTitle(), QStringLiteral("VAKO BIRCH"));
    QCOMPARE(ui.Frequency_display->text(), QStringLiteral("500.000"));
    QCOMPARE(ui.CW_speed_display->text(), QStringLiteral("20"));
    QCOMPARE(m_form->panel().ui.Step_Option->checkedId(), 2);
    QCOMPARE(m_form->panel().ui.Power_Option->checkedId(), 0);
    QVERIFY(ui.menu_VAKO_BIRCH->isChecked());
    QVERIFY(!ui.menu_VAKO_ALDER->isChecked());
    QCOMPARE(checkedKeyers(), QList<QAction *>{ui.menu_Keyer2});
    // The window already showed these values when it was made: nothing changed,
    // so nothing is sent again.
    QCOMPARE(m_comm->wire(), QByteArray());
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void tst_RefreshPanel::speedDisplay_data()
{
    QTest::addColumn<qint64>("speed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("20 wpm unchanged") << qint64(200) << "20" << QByteArray();
    QTest::newRow("9.5 wpm") << qint64(95) << "9.5" << QByteArray("=S 95\r");
    QTest::newRow("0.5 wpm") << qint64(5) << "0.5" << QByteArray("=S 5\r");
    QTest::newRow("50 wpm") << qint64(500) << "50" << QByteArray("=S500\r");
}

void tst_RefreshPanel::speedDisplay()
{
    QFETCH(qint64, speed);
    QFETCH(QString, shown);
    QFETCH(QByteArray, line);
    openPort();
    m_form->session().state.CW_speed = speed;
    m_form->panel().RefreshPanel();
    QCOMPARE(m_form->ui().CW_speed_display->text(), shown);
    QCOMPARE(m_comm->wire(), line);
}

void tst_RefreshPanel::optionsFollowIndexes_data()
{
    QTest::addColumn<Number>("step");
    QTest::addColumn<Number>("power");
    QTest::addColumn<int>("stepShown");
    QTest::addColumn<int>("powerShown");
    QTest::newRow("1 kHz and MAX") << Number(3) << Number(3) << 3 << 3;
    QTest::newRow("1 Hz and MIN") << Number(0) << Number(0) << 0 << 0;
    QTest::newRow("out of range shows none") << Number(4) << Number(-1) << -1 << -1;
    QTest::newRow("no number shows none") << Number() << Number() << -1 << -1;
}

void tst_RefreshPanel::optionsFollowIndexes()
{
    QFETCH(Number, step);
    QFETCH(Number, power);
    QFETCH(int, stepShown);
    QFETCH(int, powerShown);
    m_form->session().state.Step = step;
    m_form->session().state.Power = power;
    m_form->panel().RefreshPanel();
    QCOMPARE(m_form->panel().ui.Step_Option->checkedId(), stepShown);
    QCOMPARE(m_form->panel().ui.Power_Option->checkedId(), powerShown);
}

void tst_RefreshPanel::chainSendsChangedValues_data()
{
    QTest::addColumn<ModelProfile>("profile");
    QTest::addColumn<QByteArray>("wire");

    // Each changed value is sent by its own control's handler, nested inside
    // the refresh, in the order the refresh shows them: frequency, power, speed.
    QTest::newRow("ALDER built-in values")
        << ModelProfile{136000, 1, 100, 1, 115200, 0} << QByteArray("=F136000\r=P1\r=S100\r");
    QTest::newRow("only the frequency")
        << ModelProfile{500100, 2, 200, 0, 115200, 0} << QByteArray("=F500100\r");
    QTest::newRow("step alone sends nothing")
        << ModelProfile{500000, 3, 200, 0, 115200, 0} << QByteArray();
    QTest::newRow("power MAX") << ModelProfile{500000, 2, 200, 3, 115200, 0} << QByteArray("=P3\r");
    QTest::newRow("five-digit frequency")
        << ModelProfile{99999, 2, 200, 0, 115200, 0} << QByteArray("=F 99999\r");
    QTest::newRow("frequency beyond the field is shown, not sent")
        << ModelProfile{1000000, 2, 200, 0, 115200, 0} << QByteArray();
}

void tst_RefreshPanel::chainSendsChangedValues()
{
    QFETCH(ModelProfile, profile);
    QFETCH(QByteArray, wire);
    openPort();
    m_form->session().loadProfile(profile);
    m_form->panel().RefreshPanel();
    QCOMPARE(m_comm->wire(), wire);
    // One write per line: each line leaves whole.
    for (const QByteArray &write : m_comm->writes)
        QCOMPARE(write.count('\r'), 1);
}

void tst_RefreshPanel::chainCopiesIntoSelectedProfileOnly()
{
    Session &session = m_form->session();
    session.state.Model = QStringLiteral("ALDER");
    session.loadProfile(ModelProfile{137500, 3, 120, 2, 115200, 0});
    m_form->panel().RefreshPanel();

    const ModelProfile &alder = session.profile(ModelId::Alder);
    QCOMPARE(alder.Frequency, Number(137500));
    QCOMPARE(alder.Step, Number(3));
    QCOMPARE(alder.CW_speed, Number(120));
    QCOMPARE(alder.Power, Number(2));
    const ModelProfile &birch = session.profile(ModelId::Birch);
    QCOMPARE(birch.Frequency, Number(500000));
    QCOMPARE(birch.Step, Number(2));
    QVERIFY(m_form->ui().menu_VAKO_ALDER->isChecked());
    QVERIFY(!m_form->ui().menu_VAKO_BIRCH->isChecked());
}

void tst_RefreshPanel::closedPortSendsNothingButStores()
{
    m_form->session().loadProfile(ModelProfile{500500, 0, 90, 3, 115200, 0});
    m_form->panel().RefreshPanel();
    QCOMPARE(m_comm->wire(), QByteArray());
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("500.500"));
    const ModelProfile &birch = m_form->session().profile(ModelId::Birch);
    QCOMPARE(birch.Frequency, Number(500500));
    QCOMPARE(birch.CW_speed, Number(90));
    QCOMPARE(birch.Power, Number(3));
    QCOMPARE(birch.Step, Number(0));
}

void tst_RefreshPanel::unknownModelKeepsChecksAndSaysSo()
{
    openPort();
    m_form->session().state.Model = QStringLiteral("birch");
    m_form->session().state.Frequency = 500100;
    m_form->panel().RefreshPanel();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("VAKO birch"));
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Unknown VAKO Model")});
    QCOMPARE(m_dialogs->boxes.first().title, kApplicationTitle);
    QVERIFY(m_form->ui().menu_VAKO_BIRCH->isChecked());
    // No profile belongs to an unknown model, so none is changed.
    QCOMPARE(m_form->session().profile(ModelId::Birch).Frequency, Number(500000));
}

void tst_RefreshPanel::valuesThatSpellNoNumberSendNothing()
{
    openPort();
    m_form->session().loadProfile(ModelProfile{Number(), Number(), Number(), Number(), 115200, 3});
    m_form->session().state.Keyer_Type = Number(7);
    m_form->panel().RefreshPanel();
    QCOMPARE(m_comm->wire(), QByteArray());
    QCOMPARE(m_form->ui().Frequency_display->text(), QString());
    QCOMPARE(m_form->ui().CW_speed_display->text(), QString());
    QVERIFY(checkedKeyers().isEmpty());
}

QTEST_MAIN(tst_RefreshPanel)
#include "tst_refreshpanel.moc"
