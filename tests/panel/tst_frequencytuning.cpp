#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "panel/DisplayLabel.h"
#include "ui_main_Form.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QTest>

// Tuning with Up and Down: every frequency shown is stored in the selected
// model's profile and, with the port open, sent as "=F" at once.
class tst_FrequencyTuning : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void buttons_data();
    void buttons();
    void closedPortStoresWithoutSending();
    void invalidStepTellsAndStays_data();
    void invalidStepTellsAndStays();
    void frequencyBeyondTheFieldIsShownNotSent();
    void frequencyThatSpellsNoNumberIsNotStepped();
    void stepOptionSendsNothing_data();
    void stepOptionSendsNothing();

private:
    // Puts the panel on `model` at `frequency` and `step`, shown with the
    // port closed, then opens the port (or not) with nothing written yet.
    void start(const QString &model, Number frequency, Number step, bool open = true);
    ModelProfile &profile(const QString &model);

    FakeSerialControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    main_Form *m_form = nullptr;
};

void tst_FrequencyTuning::init()
{
    installFontSubstitutes();
    m_comm = new FakeSerialControl;
    m_dialogs = new FakeDialogs;
    m_form = new main_Form(*m_comm, *m_dialogs);
    m_form->session().setBuiltInValues();
}

void tst_FrequencyTuning::cleanup()
{
    delete m_form;
    delete m_dialogs;
    delete m_comm;
}

ModelProfile &tst_FrequencyTuning::profile(const QString &model)
{
    return m_form->session().profiles[Session::modelIndex(model)];
}

void tst_FrequencyTuning::start(const QString &model, Number frequency, Number step, bool open)
{
    Session &session = m_form->session();
    session.state.Model = model;
    profile(model).Frequency = frequency;
    profile(model).Step = step;
    session.loadProfile(profile(model));
    m_form->panel().RefreshPanel();
    m_dialogs->boxes.clear();
    if (open) {
        m_comm->presentPorts = {1};
        QVERIFY(m_comm->setCommPort(1));
        QVERIFY(m_comm->setPortOpen(true));
    }
}

void tst_FrequencyTuning::buttons_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<qint64>("frequency");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("up");
    QTest::addColumn<qint64>("tuned");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("BIRCH up 1 kHz") << "BIRCH" << qint64(500000) << 3 << true << qint64(501000)
                                    << "501.000" << QByteArray("=F501000\r");
    QTest::newRow("ALDER down 1 Hz") << "ALDER" << qint64(136000) << 0 << false << qint64(135999)
                                     << "135.999" << QByteArray("=F135999\r");
    QTest::newRow("ALDER up 10 Hz") << "ALDER" << qint64(136000) << 1 << true << qint64(136010)
                                    << "136.010" << QByteArray("=F136010\r");
    QTest::newRow("BIRCH down 100 Hz") << "BIRCH" << qint64(500000) << 2 << false << qint64(499900)
                                       << "499.900" << QByteArray("=F499900\r");
    // Below 100 kHz the display still reads in kHz and the field keeps its
    // sign position.
    QTest::newRow("down into five digits") << "BIRCH" << qint64(100000) << 0 << false
                                           << qint64(99999) << "99.999" << QByteArray("=F 99999\r");
    QTest::newRow("up to the top of the field")
        << "BIRCH" << qint64(999998) << 0 << true << qint64(999999) << "999.999"
        << QByteArray("=F999999\r");
    QTest::newRow("down to zero") << "ALDER" << qint64(1000) << 3 << false << qint64(0) << "0.000"
                                  << QByteArray("=F 0\r");
    // Steps the six-character field could not carry are refused whole.
    QTest::newRow("up at 999999 refused")
        << "BIRCH" << qint64(999999) << 0 << true << qint64(999999) << "999.999" << QByteArray();
    QTest::newRow("1 kHz past the top refused")
        << "BIRCH" << qint64(999500) << 3 << true << qint64(999500) << "999.500" << QByteArray();
    QTest::newRow("down at 0 refused")
        << "ALDER" << qint64(0) << 0 << false << qint64(0) << "0.000" << QByteArray();
    QTest::newRow("1 kHz below zero refused")
        << "ALDER" << qint64(500) << 3 << false << qint64(500) << "0.500" << QByteArray();
}

void tst_FrequencyTuning::buttons()
{
    QFETCH(QString, model);
    QFETCH(qint64, frequency);
    QFETCH(int, step);
    QFETCH(bool, up);
    QFETCH(qint64, tuned);
    QFETCH(QString, shown);
    QFETCH(QByteArray, wire);
    start(model, frequency, step);
    const QString other = model == QLatin1String("ALDER") ? "BIRCH" : "ALDER";
    const Number otherFrequency = profile(other).Frequency;

    Ui::main_Form &ui = m_form->ui();
    (up ? ui.up_Button : ui.down_Button)->click();

    QCOMPARE(m_form->session().state.Frequency, Number(tuned));
    QCOMPARE(ui.Frequency_display->text(), shown);
    QCOMPARE(m_comm->wire(), wire);
    QCOMPARE(m_comm->writes.size(), wire.isEmpty() ? 0 : 1);
    QCOMPARE(profile(model).Frequency, Number(tuned));
    QCOMPARE(profile(other).Frequency, otherFrequency);
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void tst_FrequencyTuning::closedPortStoresWithoutSending()
{
    start(QStringLiteral("BIRCH"), 500000, 2, false);
    m_form->ui().up_Button->click();
    m_form->ui().up_Button->click();
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("500.200"));
    QCOMPARE(profile(QStringLiteral("BIRCH")).Frequency, Number(500200));
    QVERIFY(m_comm->writes.isEmpty());
    QVERIFY(m_dialogs->boxes.isEmpty());

    // Opening the port later sends nothing by itself; the next change does.
    m_comm->presentPorts = {1};
    QVERIFY(m_comm->setCommPort(1));
    QVERIFY(m_comm->setPortOpen(true));
    m_form->ui().down_Button->click();
    QCOMPARE(m_comm->wire(), QByteArray("=F500100\r"));
}

void tst_FrequencyTuning::invalidStepTellsAndStays_data()
{
    QTest::addColumn<Number>("step");
    QTest::newRow("index 4") << Number(4);
    QTest::newRow("negative index") << Number(-1);
    QTest::newRow("no number") << Number();
}

void tst_FrequencyTuning::invalidStepTellsAndStays()
{
    QFETCH(Number, step);
    start(QStringLiteral("ALDER"), 136000, step);
    m_form->ui().up_Button->click();
    m_form->ui().down_Button->click();

    const MessageBoxRequest invalid{QStringLiteral("Invalid Step")};
    QCOMPARE(m_dialogs->boxes, (QList<MessageBoxRequest>{invalid, invalid}));
    QCOMPARE(m_form->session().state.Frequency, Number(136000));
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("136.000"));
    // The unchanged display does not repeat the line.
    QVERIFY(m_comm->writes.isEmpty());
}

void tst_FrequencyTuning::frequencyBeyondTheFieldIsShownNotSent()
{
    // A settings file may hold a frequency the "=F" field cannot carry: it is
    // shown as it is, and never cut to six characters on the wire.
    Session &session = m_form->session();
    m_comm->presentPorts = {1};
    QVERIFY(m_comm->setCommPort(1));
    QVERIFY(m_comm->setPortOpen(true));
    session.profile(ModelId::Birch).Frequency = 1000000;
    session.profile(ModelId::Birch).Step = 0;
    session.loadProfile(session.profile(ModelId::Birch));
    m_form->panel().RefreshPanel();
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("1000.000"));
    QVERIFY(m_comm->writes.isEmpty());

    m_form->ui().up_Button->click();
    QCOMPARE(session.state.Frequency, Number(1000000));
    QVERIFY(m_comm->writes.isEmpty());

    // One step down brings it back into the field, and it goes out.
    m_form->ui().down_Button->click();
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("999.999"));
    QCOMPARE(m_comm->wire(), QByteArray("=F999999\r"));
}

void tst_FrequencyTuning::frequencyThatSpellsNoNumberIsNotStepped()
{
    start(QStringLiteral("BIRCH"), Number(), 2);
    m_form->ui().up_Button->click();
    m_form->ui().down_Button->click();
    QCOMPARE(m_form->session().state.Frequency, Number());
    QCOMPARE(m_form->ui().Frequency_display->text(), QString());
    QVERIFY(m_comm->writes.isEmpty());
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void tst_FrequencyTuning::stepOptionSendsNothing_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void tst_FrequencyTuning::stepOptionSendsNothing()
{
    QFETCH(bool, open);
    start(QStringLiteral("ALDER"), 136000, 1, open);
    m_form->panel().ui.Step_Option->button(3)->click();

    QCOMPARE(m_form->session().state.Step, Number(3));
    QCOMPARE(profile(QStringLiteral("ALDER")).Step, Number(3));
    QCOMPARE(profile(QStringLiteral("BIRCH")).Step, Number(2));
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("136.000"));
    QVERIFY(m_comm->writes.isEmpty());

    // The new step size applies to the next click.
    m_form->ui().up_Button->click();
    QCOMPARE(m_form->session().state.Frequency, Number(137000));
    QCOMPARE(m_comm->wire(), open ? QByteArray("=F137000\r") : QByteArray());
}

QTEST_MAIN(tst_FrequencyTuning)
#include "tst_frequencytuning.moc"
