#include "Files.h"
#include "Program.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

// The real panel as the operator starts it, a process of its own, against
// the real simulator; and on settings files it must survive.
class tst_Programs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The panel on the simulator, as the operator starts it. With [Remote]
    // Listen, another station program then drives it through Hamlib's own
    // client: its changes reach the transmitter and its readings come back.
    void endToEnd_data()
    {
        QTest::addColumn<QByteArray>("operatorsPart"); // after the simulator's [Ports] entry
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("BIRCH, driven by rigctl")
            << settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 1"}}) + "[Remote]\nListen="
            << QStringList{"=F500000\\r", "=S200\\r", "=P0\\r", "=K2\\r"};
        // Entries gone and numbers in the operator's own form; the save completes them.
        QTest::newRow("ALDER, entries missing")
            << QByteArray("[VAKO]\nModel=ALDER\n[ALDER_settings]\nFrequency=137000\nBaudRate="
                          "9600\nPortnumber=1\n")
            << QStringList{"=F137000\\r", "=F137000\\r"};
    }
    void endToEnd()
    {
        QFETCH(QByteArray, operatorsPart);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString ini = dir.filePath("vako-panel.ini");
        Program sim = Program::simulator();
        QVERIFY(sim.start({"--ini", ini, "--port", "1"}));
        const QString device = sim.output("serving (\\S+)").value(0);
        const auto received = [&sim](int count, int ms) {
            return sim.output(QStringLiteral(" rx \"([^\"]*)\""), count, ms);
        };
        { // A first run writes the built-in values, no port among them, and sends nothing.
            Program panel = Program::panel(dir.path());
            QVERIFY(panel.start());
            QTRY_VERIFY_WITH_TIMEOUT(fileBytes(ini).contains("Model=BIRCH"), 10000);
            QVERIFY(panel.terminate());
            QCOMPARE(received(1, 200), QStringList());
        }
        QTcpServer probe; // a free port for the panel to listen on
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString address = "127.0.0.1:" + QString::number(probe.serverPort());
        probe.close();
        QVERIFY(putFile(ini, "[Ports]\nCom1=" + device.toLocal8Bit() + '\n' + operatorsPart +
                                 (operatorsPart.endsWith('=') ? address.toLatin1() + '\n' : "")));
        Program panel = Program::panel(dir.path());
        QVERIFY(panel.start());
        QCOMPARE(received(lines.size(), 10000), lines);
        if (operatorsPart.contains("[Remote]")) {
            const QString rigctl = QStandardPaths::findExecutable("rigctl");
            QVERIFY2(!rigctl.isEmpty(), "Hamlib's rigctl is missing: scripts/deps installs it");
            const auto rig = [&](const QStringList &command) {
                QProcess client;
                client.start(rigctl, QStringList{"-m", "2", "-r", address} + command);
                return client.waitForFinished(20000) && client.exitCode() == 0
                           ? QString::fromLatin1(client.readAllStandardOutput())
                           : "failed: " + client.readAllStandardError();
            };
            QCOMPARE(rig({"F", "500100", "L", "KEYSPD", "25", "L", "RFPOWER", "1"}), "");
            QCOMPARE(rig({"f", "l", "KEYSPD", "l", "RFPOWER", "m"}),
                     "500100\n25\n1.000000\nCW\n0\n");
            QCOMPARE(rig({"b", "CQ DE TEST"}), "");
            lines += {"=F500100\\r", "=S250\\r", "=P3\\r", "=MCQ DE TEST\\r", "=BT\\r"};
            QCOMPARE(received(lines.size(), 10000), lines);
        }
        QVERIFY(panel.terminate()); // SIGTERM: saved, and nothing sent on the way out
        QCOMPARE(received(lines.size() + 1, 300), lines);
        const IniDocument saved = IniDocument::load(ini);
        for (const char *section : {"ALDER_settings", "BIRCH_settings"})
            for (const char *key :
                 {"Frequency", "Step", "CW_speed", "Power", "BaudRate", "Portnumber"})
                QVERIFY2(saved.value(section, key), qPrintable(section + QString(" ") + key));
        const bool alder = operatorsPart.contains("Model=ALDER");
        QCOMPARE(saved.value(alder ? "ALDER_settings" : "BIRCH_settings", "Portnumber"), "1");
        QCOMPARE(saved.value("Ports", "Com1"), device);
        QCOMPARE(saved.value("Remote", "Listen").value_or(address), address);
    }

    // Whatever the file, the program starts and ends cleanly when asked, also while
    // its start-up's box waits for an operator who is not there, and a second run
    // saves what the first saved unchanged. (The panel in process tries many more.)
    void survivesItsSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // none: the settings path is a folder
        const char nuls[] = "[Ports]\nCom3=/dev/\0tty\nCom\0"
                            "4=x\n[VAKO]\nModel=ALDER\0\n";
        QTest::newRow("NUL bytes and a port table") << QByteArray(nuls, sizeof nuls - 1);
        QTest::newRow("unknown model: its box waits")
            << settingsWith({{"Model=BIRCH", "Model=OAK"}});
        QTest::newRow("settings path is a folder") << QByteArray();
    }
    void survivesItsSettingsFile()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("vako-panel.ini");
        QVERIFY(bytes.isNull() ? QDir().mkpath(path) : putFile(path, bytes));
        QByteArray afterFirst;
        for (int round = 0; round < 2; ++round) {
            Program panel = Program::panel(dir.path());
            QVERIFY(panel.start());
            QVERIFY2(panel.runningAfter(700), qPrintable(panel.errors())); // no crash
            QVERIFY2(panel.terminate(), "the program did not end cleanly");
            afterFirst = round ? afterFirst : fileBytes(path);
        }
        QCOMPARE(fileBytes(path), afterFirst);
    }
};

QTEST_GUILESS_MAIN(tst_Programs)
#include "tst_programs.moc"
