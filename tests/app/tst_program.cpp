#include "PanelFixture.h"
#include "Pty.h"
#include "settings/IniFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The real program, started as an operator starts it, with a pseudo-terminal
// as the transmitter on Com3.
class tst_Program : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startsSendsAndSavesOnTerminate_data();
    void startsSendsAndSavesOnTerminate();
};

void tst_Program::startsSendsAndSavesOnTerminate_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("BIRCH") << QByteArray("BIRCH") << QByteArray("=F500000\r=S200\r=P0\r=K2\r");
    QTest::newRow("ALDER") << QByteArray("ALDER")
                           << QByteArray("=F136000\r=P1\r=S100\r=F136000\r=S100\r=P1\r=K2\r");
}

void tst_Program::startsSendsAndSavesOnTerminate()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, lines);

    Pty transmitter;
    QVERIFY(transmitter.isValid());
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("vako-panel"));
    QVERIFY(QFile::copy(QStringLiteral(VAKO_PANEL_PATH), program));

    // The operator's file: the transmitter's device as Com3, both models on it.
    const QByteArray ports = "[Ports]\nCom3=" + transmitter.deviceName().toLocal8Bit() + "\n";
    const QByteArray settings = ports + settingsWith({{"Model=BIRCH", "Model=" + model},
                                                      {"ALDER:Portnumber= 0", "Portnumber= 3"},
                                                      {"BIRCH:Portnumber= 0", "Portnumber= 3"},
                                                      {"BIRCH:Power= 0", "Power=0"}});
    QFile file(dir.filePath(QStringLiteral("vako-panel.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(settings);
    file.close();

    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    panel.setProcessEnvironment(env);
    panel.start(program, {});
    QVERIFY(panel.waitForStarted());

    QCOMPARE(transmitter.read(10000, lines.size()), lines);

    ::kill(static_cast<pid_t>(panel.processId()), SIGTERM);
    QVERIFY(panel.waitForFinished(10000));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), 0);

    // Saved once, all fourteen entries in the one number form; the port
    // table kept as the operator wrote it; nothing more on the line.
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QCOMPARE(saved, QByteArray(settings).replace("Power=0", "Power= 0"));
    QCOMPARE(transmitter.read(100), QByteArray());
}

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
