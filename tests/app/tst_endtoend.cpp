#include "PanelFixture.h"
#include "PanelProcess.h"

#include "settings/IniFile.h"
#include <QElapsedTimer>

#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The simulator as a separate process, serving Com1 of a settings file.
class Simulator
{
public:
    bool start(const QString &ini)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(
            QStringLiteral(VAKO_TXSIM_PATH),
            {QStringLiteral("--ini"), ini, QStringLiteral("--port"), QStringLiteral("1")});
        if (!m_process.waitForStarted())
            return false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            m_process.waitForReadyRead(100);
            m_log += m_process.readAllStandardOutput();
            const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("serving (\\S+)"))
                                                  .match(QString::fromUtf8(m_log));
            if (m.hasMatch()) {
                m_device = m.captured(1);
                return true;
            }
        }
        return false;
    }

    ~Simulator()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    QString device() const { return m_device; }

    // The command lines the simulator received, as it logs them (escaped),
    // once `count` of them have come or the time is up.
    QStringList received(int count, int timeoutMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        QStringList lines;
        for (;;) {
            m_log += m_process.readAllStandardOutput();
            lines.clear();
            const auto matches = QRegularExpression(QStringLiteral(" rx \"([^\"]*)\""))
                                     .globalMatch(QString::fromUtf8(m_log));
            for (auto it = matches; it.hasNext();)
                lines << it.next().captured(1);
            if (lines.size() >= count || clock.elapsed() > timeoutMs)
                return lines;
            m_process.waitForReadyRead(50);
        }
    }

private:
    QProcess m_process;
    QByteArray m_log;
    QString m_device;
};

void storePort(const QString &ini, const char *port)
{
    IniDocument settings = IniDocument::load(ini);
    settings.setValue(QStringLiteral("ALDER_settings"), QStringLiteral("Portnumber"),
                      QLatin1String(port));
    settings.setValue(QStringLiteral("BIRCH_settings"), QStringLiteral("Portnumber"),
                      QLatin1String(port));
    settings.save(ini);
}

// The operator's part of the file, after the simulator's [Ports] entry.
bool appendTo(const QString &ini, const QByteArray &text)
{
    QFile file(ini);
    return file.open(QIODevice::Append) && file.write(text) == text.size();
}

} // namespace

// The real panel against the real simulator, each in its own process.
class tst_EndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstRunThenConnected_data();
    void firstRunThenConnected();
    void portHeldByAnotherProgram();
    void terminateSavesEveryEntry();
};

void tst_EndToEnd::firstRunThenConnected_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("BIRCH") << "BIRCH" << QStringList{"=F500000\\r", "=S200\\r", "=P0\\r", "=K2\\r"};
    QTest::newRow("ALDER") << "ALDER"
                           << QStringList{"=F136000\\r", "=P1\\r", "=S100\\r", "=F136000\\r",
                                          "=S100\\r",    "=P1\\r", "=K2\\r"};
}

void tst_EndToEnd::firstRunThenConnected()
{
    QFETCH(QString, model);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vako-panel.ini"));
    Simulator simulator;
    QVERIFY(simulator.start(ini));

    // The first run finds only the simulator's port entry, writes the
    // built-in values (no port stored) and sends nothing.
    {
        PanelProcess panel(dir.path());
        QVERIFY(panel.start());
        QTRY_VERIFY_WITH_TIMEOUT(IniDocument::load(ini).value("VAKO", "Model").has_value(), 10000);
        QVERIFY(panel.terminate());
    }
    const IniDocument first = IniDocument::load(ini);
    QCOMPARE(first.value("VAKO", "Model"), QStringLiteral("BIRCH"));
    QCOMPARE(first.value("BIRCH_settings", "Portnumber"), QStringLiteral("0"));
    QCOMPARE(first.value("Ports", "Com1"), simulator.device());
    QCOMPARE(simulator.received(1, 200), QStringList());

    // With both models on Com1, the next start pushes the model's values.
    storePort(ini, " 1");
    if (model == QStringLiteral("ALDER")) {
        IniDocument settings = IniDocument::load(ini);
        settings.setValue("VAKO", "Model", model);
        QVERIFY(settings.save(ini));
    }
    PanelProcess panel(dir.path());
    QVERIFY(panel.start());
    QCOMPARE(simulator.received(lines.size()), lines);
    QVERIFY(panel.terminate());
    QCOMPARE(simulator.received(lines.size() + 1, 300), lines); // nothing on the way out
}

void tst_EndToEnd::portHeldByAnotherProgram()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vako-panel.ini"));
    Simulator simulator;
    QVERIFY(simulator.start(ini));
    QVERIFY(appendTo(ini, settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 1"}})));

    // Another program holds the transmitter's port.
    QSerialPort other(simulator.device());
    QVERIFY(other.open(QIODevice::ReadWrite));

    PanelProcess panel(dir.path());
    QVERIFY(panel.start());
    QTest::qWait(1500);
    QVERIFY(panel.terminate());
    QCOMPARE(simulator.received(1, 200), QStringList());
    // The stored port stays for the next start.
    QCOMPARE(IniDocument::load(ini).value("BIRCH_settings", "Portnumber"), QStringLiteral("1"));
}

void tst_EndToEnd::terminateSavesEveryEntry()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vako-panel.ini"));
    Simulator simulator;
    QVERIFY(simulator.start(ini));
    // An operator's file with a few entries gone and numbers in their own form.
    QVERIFY(appendTo(
        ini,
        "[VAKO]\nModel=ALDER\n[ALDER_settings]\nFrequency=137000\nBaudRate=9600\nPortnumber=1\n"));

    PanelProcess panel(dir.path());
    QVERIFY(panel.start());
    QCOMPARE(simulator.received(1).value(0), QStringLiteral("=F137000\\r"));
    QVERIFY(panel.terminate());

    const IniDocument saved = IniDocument::load(ini);
    const QStringList keys{"Frequency", "Step", "CW_speed", "Power", "BaudRate", "Portnumber"};
    QCOMPARE(saved.value("VAKO", "Model"), QStringLiteral("ALDER"));
    QVERIFY(saved.value("VAKO", "Keyer_Type").has_value());
    for (const char *section : {"ALDER_settings", "BIRCH_settings"}) {
        for (const QString &key : keys)
            QVERIFY2(saved.value(section, key).has_value(), qPrintable(section + (" " + key)));
    }
    QCOMPARE(saved.value("ALDER_settings", "Frequency"), QStringLiteral("137000"));
    QCOMPARE(saved.value("ALDER_settings", "Portnumber"), QStringLiteral("1"));
    QCOMPARE(saved.value("Ports", "Com1"), simulator.device());
}

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
