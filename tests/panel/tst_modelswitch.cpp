#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "panel/DisplayLabel.h"
#include "settings/SettingsFile.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QButtonGroup>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Switching the model from the Vako menu: the window started from a real
// settings file in a temporary folder, the port opened by the real port
// routines on the scripted serial control.
class tst_ModelSwitch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void switchLines_data();
    void switchLines();
    void birchToAlderWindowAndFile();
    void eachModelKeepsItsFrequency();
    void switchToTheSelectedModel();
    void switchWithoutAPort_data();
    void switchWithoutAPort();
    void switchEndsAnUnknownModel();

private:
    // Starts the window from a settings file holding these values.
    void startWith(const QString &model, const ModelProfile &alder, const ModelProfile &birch);
    QString stored(const QString &section, const QString &key) const;
    ModelProfile &profile(ModelId id) { return m_form->session().profile(id); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<FakeSerialControl> m_comm;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<main_Form> m_form;
};

namespace {

const ModelProfile kAlder{136000, 1, 100, 1, 115200, 0};
const ModelProfile kBirch{500000, 2, 200, 0, 115200, 0};

ModelProfile withPort(ModelProfile profile, qint64 port)
{
    profile.Portnumber = port;
    return profile;
}

QByteArray section(const char *name, const ModelProfile &p)
{
    QByteArray text = QByteArray("[") + name + "]\n";
    const std::pair<const char *, Number> entries[] = {
        {"Frequency", p.Frequency}, {"Step", p.Step},         {"CW_speed", p.CW_speed},
        {"Power", p.Power},         {"BaudRate", p.BaudRate}, {"Portnumber", p.Portnumber}};
    for (const auto &[key, value] : entries)
        text += QByteArray(key) + "= " + QByteArray::number(*value) + '\n';
    return text;
}

} // namespace

void tst_ModelSwitch::init()
{
    installFontSubstitutes();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("vako-panel.ini"));
    m_comm = std::make_unique<FakeSerialControl>();
    m_comm->presentPorts = {3, 5, 7};
    m_dialogs = std::make_unique<FakeDialogs>();
}

void tst_ModelSwitch::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
    m_comm.reset();
    m_dir.reset();
}

void tst_ModelSwitch::startWith(const QString &model, const ModelProfile &alder,
                                const ModelProfile &birch)
{
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[VAKO]\nModel=" + model.toLatin1() + "\nKeyer_Type= 2\n" +
               section("ALDER_settings", alder) + section("BIRCH_settings", birch));
    file.close();

    m_form = std::make_unique<main_Form>(*m_comm, *m_dialogs, PanelEnvironment{m_path});
    m_form->Form_Load();
    m_comm->clearWrites();
    m_dialogs->boxes.clear();
}

QString tst_ModelSwitch::stored(const QString &section, const QString &key) const
{
    return SettingsFile::ReadProfileString(m_path, section, key);
}

void tst_ModelSwitch::switchLines_data()
{
    QTest::addColumn<ModelProfile>("alder");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QString>("shown");

    // The switch's own three lines, then those of every shown value that
    // changed, sent by its control as the window follows: "=F", "=P", "=S".
    QTest::newRow("built-in values")
        << kAlder
        << QList<QByteArray>{"=F136000\r", "=S100\r", "=P 1\r", "=F136000\r", "=P1\r", "=S100\r"}
        << "136.000";
    QTest::newRow("MAX power, 0.5 wpm")
        << ModelProfile{137000, 1, 5, 3, 115200, 0}
        << QList<QByteArray>{"=F137000\r", "=S 5\r", "=P 3\r", "=F137000\r", "=P3\r", "=S 5\r"}
        << "137.000";
    QTest::newRow("same speed and power as BIRCH")
        << ModelProfile{135700, 0, 200, 0, 115200, 0}
        << QList<QByteArray>{"=F135700\r", "=S200\r", "=P 0\r", "=F135700\r"} << "135.700";
    QTest::newRow("five-digit frequency")
        << ModelProfile{99999, 1, 100, 1, 115200, 0}
        << QList<QByteArray>{"=F 99999\r", "=S100\r", "=P 1\r", "=F 99999\r", "=P1\r", "=S100\r"}
        << "99.999";
    // A stored frequency the six-character field cannot carry is shown but
    // never sent, neither by the switch nor by the display.
    QTest::newRow("frequency beyond the field")
        << ModelProfile{1000000, 1, 100, 1, 115200, 0}
        << QList<QByteArray>{"=S100\r", "=P 1\r", "=P1\r", "=S100\r"} << "1000.000";
}

void tst_ModelSwitch::switchLines()
{
    QFETCH(ModelProfile, alder);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QString, shown);
    startWith(QStringLiteral("BIRCH"), withPort(alder, 3), kBirch);
    QVERIFY(!m_comm->portOpen());

    m_form->ui().menu_VAKO_ALDER->trigger();
    QCOMPARE(m_comm->writes, lines);
    QVERIFY(m_dialogs->boxes.isEmpty());
    QCOMPARE(m_form->ui().Frequency_display->text(), shown);
}

void tst_ModelSwitch::birchToAlderWindowAndFile()
{
    startWith(QStringLiteral("BIRCH"), withPort(kAlder, 3), withPort(kBirch, 5));
    QCOMPARE(m_comm->openPort, qint64(5));
    m_form->ui().menu_VAKO_ALDER->trigger();

    Ui::main_Form &ui = m_form->ui();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("VAKO ALDER"));
    QVERIFY(ui.menu_VAKO_ALDER->isChecked());
    QVERIFY(!ui.menu_VAKO_BIRCH->isChecked());
    QCOMPARE(ui.Frequency_display->text(), QStringLiteral("136.000"));
    QCOMPARE(ui.CW_speed_display->text(), QStringLiteral("10"));
    QCOMPARE(m_form->panel().ui.Step_Option->checkedId(), 1);
    QCOMPARE(m_form->panel().ui.Power_Option->checkedId(), 1);
    // ALDER's own port, at the line speed set last.
    QCOMPARE(m_comm->openPort, qint64(3));
    QVERIFY(m_comm->portOpen());
    QCOMPARE(ui.Status->text(), QStringLiteral("Com Port Open"));
    QVERIFY(m_form->panel().ui.menuCom[3]->isChecked());
    QVERIFY(!m_form->panel().ui.menuCom[5]->isChecked());
    // The keyer mode is not the model's and is not sent.
    QCOMPARE(m_form->session().state.Keyer_Type, Number(2));
    QVERIFY(!m_comm->wire().contains("=K"));

    // The file holds the new model at once; BIRCH's port stays its own.
    QCOMPARE(stored("VAKO", "Model"), QStringLiteral("ALDER"));
    QCOMPARE(stored("ALDER_settings", "Portnumber"), QStringLiteral("3"));
    QCOMPARE(stored("BIRCH_settings", "Portnumber"), QStringLiteral("5"));
}

void tst_ModelSwitch::eachModelKeepsItsFrequency()
{
    startWith(QStringLiteral("ALDER"), withPort(kAlder, 3), withPort(kBirch, 3));
    m_form->ui().up_Button->click(); // 10 Hz
    QCOMPARE(profile(ModelId::Alder).Frequency, Number(136010));
    QCOMPARE(profile(ModelId::Birch).Frequency, Number(500000));

    m_form->ui().menu_VAKO_BIRCH->trigger();
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("500.000"));
    QCOMPARE(stored("ALDER_settings", "Frequency"), QStringLiteral("136010"));

    m_comm->clearWrites();
    m_form->ui().menu_VAKO_ALDER->trigger();
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("136.010"));
    QCOMPARE(m_comm->writes.first(), QByteArray("=F136010\r"));
    QCOMPARE(m_form->session().state.Frequency, Number(136010));
    QCOMPARE(m_form->session().state.Step, Number(1));
}

void tst_ModelSwitch::switchToTheSelectedModel()
{
    startWith(QStringLiteral("BIRCH"), kAlder, withPort(kBirch, 3));
    QVERIFY(m_comm->portOpen());
    QVERIFY(QFile::remove(m_path));
    const int opens = m_comm->openCount;

    m_form->ui().menu_VAKO_BIRCH->trigger();
    // The port is closed and opened again, the transmitter told every value
    // once: nothing shown changed, so nothing is repeated.
    QCOMPARE(m_comm->openCount, opens + 1);
    QCOMPARE(m_comm->openPort, qint64(3));
    QCOMPARE(m_comm->writes, (QList<QByteArray>{"=F500000\r", "=S200\r", "=P 0\r"}));
    QVERIFY(m_dialogs->boxes.isEmpty());
    QVERIFY(m_form->ui().menu_VAKO_BIRCH->isChecked());
    // The file is written anew.
    QCOMPARE(stored("VAKO", "Model"), QStringLiteral("BIRCH"));
    QCOMPARE(stored("BIRCH_settings", "Portnumber"), QStringLiteral("3"));
    QCOMPARE(stored("ALDER_settings", "Frequency"), QStringLiteral("136000"));
}

void tst_ModelSwitch::switchWithoutAPort_data()
{
    QTest::addColumn<qint64>("alderPort");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("stored port busy")
        << qint64(7) << QStringList{QStringLiteral("The Com Port is not available")};
    QTest::newRow("stored port absent")
        << qint64(9) << QStringList{QStringLiteral("The Com Port is not available")};
    QTest::newRow("no stored port") << qint64(0) << QStringList();
}

void tst_ModelSwitch::switchWithoutAPort()
{
    QFETCH(qint64, alderPort);
    QFETCH(QStringList, messages);
    startWith(QStringLiteral("BIRCH"), withPort(kAlder, alderPort), withPort(kBirch, 3));
    QVERIFY(m_comm->portOpen());
    m_comm->busyPorts = {7};

    m_form->ui().menu_VAKO_ALDER->trigger();
    QCOMPARE(m_dialogs->texts(), messages);
    QVERIFY(!m_comm->portOpen());
    QVERIFY(m_comm->writes.isEmpty());
    QCOMPARE(m_form->ui().Status->text(), QStringLiteral("Com Port Closed"));
    // The switch still completes: the window shows ALDER and the file holds
    // it, with no port for ALDER and BIRCH's port untouched.
    QCOMPARE(m_form->windowTitle(), QStringLiteral("VAKO ALDER"));
    QCOMPARE(m_form->ui().Frequency_display->text(), QStringLiteral("136.000"));
    QCOMPARE(profile(ModelId::Alder).Portnumber, Number(0));
    QCOMPARE(stored("VAKO", "Model"), QStringLiteral("ALDER"));
    QCOMPARE(stored("ALDER_settings", "Portnumber"), QStringLiteral("0"));
    QCOMPARE(stored("BIRCH_settings", "Portnumber"), QStringLiteral("3"));
}

void tst_ModelSwitch::switchEndsAnUnknownModel()
{
    startWith(QStringLiteral("birch"), withPort(kAlder, 3), kBirch);
    QCOMPARE(m_form->session().state.Model, QStringLiteral("birch"));
    QVERIFY(m_form->ui().menu_VAKO_BIRCH->isChecked());

    m_form->ui().menu_VAKO_ALDER->trigger();
    QVERIFY(m_dialogs->boxes.isEmpty()); // no "Unknown VAKO Model" any more
    QCOMPARE(m_form->session().state.Model, QStringLiteral("ALDER"));
    QVERIFY(m_form->ui().menu_VAKO_ALDER->isChecked());
    QVERIFY(!m_form->ui().menu_VAKO_BIRCH->isChecked());
    QCOMPARE(m_comm->writes.mid(0, 3), (QList<QByteArray>{"=F136000\r", "=S100\r", "=P 1\r"}));
    QCOMPARE(stored("VAKO", "Model"), QStringLiteral("ALDER"));

    // From now on the copy rule has a profile to keep.
    m_form->ui().CW_speed_up->click();
    QCOMPARE(profile(ModelId::Alder).CW_speed, Number(110));
}

QTEST_MAIN(tst_ModelSwitch)
#include "tst_modelswitch.moc"
