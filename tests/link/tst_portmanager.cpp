#include "PanelFixture.h"
#include "Pty.h"
#include "link/QtSerialControl.h"
#include "ui_main_Form.h"

#include <QTest>

// The Com menu, opening and closing the port, and a port that fails.
class tst_PortManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void probeListsFreePorts_data();
    void probeListsFreePorts();
    void choosingAPort_data();
    void choosingAPort();
    void placeholderExplainsAndChangesNothing();
    void closeComPortKeepsTheOtherModel();
    void portFailingWhileOpen();
    void farEndOfARealPortVanishes();

private:
    static QStringList comMenu(main_Form &form);
    static QList<int> checkedPorts(main_Form &form);
};

QStringList tst_PortManager::comMenu(main_Form &form)
{
    QStringList shown;
    for (QAction *a : form.ui().menuCom_setting->actions()) {
        if (a->isVisible())
            shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return shown;
}

QList<int> tst_PortManager::checkedPorts(main_Form &form)
{
    QList<int> checked;
    const QList<QAction *> &entries = form.panel().ui.menuCom;
    for (int n = 0; n < entries.size(); ++n) {
        if (entries[n]->isChecked())
            checked << n;
    }
    return checked;
}

void tst_PortManager::probeListsFreePorts_data()
{
    QTest::addColumn<QList<qint64>>("present");
    QTest::addColumn<QList<qint64>>("busy");
    QTest::addColumn<QStringList>("menu");
    const QStringList tail{"-", "Baud Rate", "-", "Close Com Port"};
    QTest::newRow("ports 3 and 7")
        << QList<qint64>{7, 3} << QList<qint64>{} << QStringList{"Com3", "Com7"} + tail;
    QTest::newRow("none free") << QList<qint64>{} << QList<qint64>{}
                               << QStringList{"No Free Com Ports Found ?"} + tail;
    QTest::newRow("busy port hidden")
        << QList<qint64>{2, 100} << QList<qint64>{2} << QStringList{"Com100"} + tail;
    QTest::newRow("only a busy port")
        << QList<qint64>{5} << QList<qint64>{5} << QStringList{"No Free Com Ports Found ?"} + tail;
}

void tst_PortManager::probeListsFreePorts()
{
    QFETCH(QList<qint64>, present);
    QFETCH(QList<qint64>, busy);
    QFETCH(QStringList, menu);
    PanelFixture f;
    f.comm.presentPorts = QSet<qint64>(present.begin(), present.end());
    f.comm.busyPorts = QSet<qint64>(busy.begin(), busy.end());
    main_Form &form = f.start();
    QCOMPARE(comMenu(form), menu);
    // Every port was probed, and the probe wrote nothing and left none open.
    QCOMPARE(form.panel().ui.menuCom.size(), 101);
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(f.comm.wire(), QByteArray());
    QCOMPARE(form.panel().ui.menuCom[42]->toolTip(), QStringLiteral("/dev/fake42"));
    QCOMPARE(form.panel().ui.menuCom[42]->text(), QStringLiteral("Com42"));
}

void tst_PortManager::choosingAPort_data()
{
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("another free port") << 5 << true << QStringList();
    QTest::newRow("the port already open") << 3 << true << QStringList();
    QTest::newRow("a port taken meanwhile")
        << 7 << false << QStringList{"The Com Port is not available"};
}

void tst_PortManager::choosingAPort()
{
    QFETCH(int, chosen);
    QFETCH(bool, opens);
    QFETCH(QStringList, messages);
    PanelFixture f;
    f.writeSettings(settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"}}));
    f.comm.presentPorts = {3, 5, 7};
    main_Form &form = f.start();
    QCOMPARE(checkedPorts(form), QList<int>{3});
    f.comm.busyPorts = {7}; // another program took it after the probe
    f.comm.clearWrites();
    const int opensBefore = f.comm.openCount;

    form.panel().ui.menuCom[chosen]->trigger();

    QCOMPARE(f.dialogs.texts(), messages);
    QCOMPARE(f.comm.portOpen(), opens);
    QCOMPARE(checkedPorts(form), opens ? QList<int>{chosen} : QList<int>{});
    QCOMPARE(form.ui().menuCloseComPort->isEnabled(), opens);
    QCOMPARE(form.ui().Status->text(),
             opens ? QStringLiteral("Com Port Open") : QStringLiteral("Com Port Closed"));
    if (opens) {
        QCOMPARE(f.comm.openPort, qint64(chosen));
        QCOMPARE(f.comm.openCount, opensBefore + 1); // closed and opened again
    }
    const Number stored = opens ? Number(chosen) : Number(0);
    QCOMPARE(form.session().profile(ModelId::Birch).Portnumber, stored);
    QCOMPARE(form.session().state.Portnumber, stored);
    // The choice is in the settings file at once; nothing went to the line.
    QVERIFY(f.settingsText().endsWith(QByteArray("Portnumber= ") +
                                      QByteArray::number(stored.value()) + "\n"));
    QCOMPARE(f.comm.wire(), QByteArray());
}

void tst_PortManager::placeholderExplainsAndChangesNothing()
{
    PanelFixture f;
    main_Form &form = f.start();
    const QByteArray before = f.settingsText();
    form.ui().menuCom0->trigger();
    QCOMPARE(f.dialogs.boxes.size(), 1);
    const MessageBoxRequest &box = f.dialogs.boxes.first();
    QCOMPARE(box.text, QStringLiteral("Exit the application and connect first the USB-RS232 "
                                      "cable. Then try again."));
    QCOMPARE(box.title, QStringLiteral("No Free Com Ports Found"));
    QCOMPARE(box.icon, MessageBoxRequest::Icon::Information);
    QCOMPARE(form.session().state.Portnumber, Number(0));
    QCOMPARE(f.settingsText(), before);
    QVERIFY(!form.ui().menuCom0->isChecked());
}

void tst_PortManager::closeComPortKeepsTheOtherModel()
{
    PanelFixture f;
    f.writeSettings(settingsWith(
        {{"BIRCH:Portnumber= 0", "Portnumber= 3"}, {"ALDER:Portnumber= 0", "Portnumber= 4"}}));
    f.comm.presentPorts = {3, 4};
    main_Form &form = f.start();
    QVERIFY(f.comm.portOpen());

    form.ui().menuCloseComPort->trigger();
    QVERIFY(f.dialogs.boxes.isEmpty());
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(form.ui().Status->text(), QStringLiteral("Com Port Closed"));
    QVERIFY(checkedPorts(form).isEmpty());
    QVERIFY(!form.ui().menuCloseComPort->isEnabled());
    QCOMPARE(form.session().profile(ModelId::Birch).Portnumber, Number(0));
    QCOMPARE(form.session().profile(ModelId::Alder).Portnumber, Number(4));
    QVERIFY(
        f.settingsText().contains("[ALDER_settings]\nFrequency= 136000\nStep= 1\n"
                                  "CW_speed= 100\nPower= 1\nBaudRate= 115200\nPortnumber= 4\n"));
}

void tst_PortManager::portFailingWhileOpen()
{
    PanelFixture f;
    f.writeSettings(settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"}}));
    f.comm.presentPorts = {3};
    main_Form &form = f.start();
    f.comm.clearWrites();

    f.comm.failPort();
    QTRY_COMPARE(f.dialogs.texts(), QStringList{"The Com Port is not available"});
    QCOMPARE(form.ui().Status->text(), QStringLiteral("Com Port Closed"));
    QVERIFY(checkedPorts(form).isEmpty());
    QVERIFY(!form.ui().menuCloseComPort->isEnabled());
    // The stored port stays, so the next start tries the adapter again.
    QCOMPARE(form.session().profile(ModelId::Birch).Portnumber, Number(3));
    // Later senders find the port closed and write nothing.
    form.ui().Frequency_display->setCaption(QStringLiteral("500.100"));
    QCOMPARE(f.comm.wire(), QByteArray());
    QTest::qWait(20);
    QCOMPARE(f.dialogs.boxes.size(), 1);
}

void tst_PortManager::farEndOfARealPortVanishes()
{
    installFontSubstitutes();
    auto pty = std::make_unique<Pty>();
    QTemporaryDir dir;
    const QString device = pty->deviceName();
    const auto deviceForPort = [device](qint64 n) { return n == 3 ? device : QString(); };
    QtSerialControl comm(deviceForPort);
    FakeDialogs dialogs;
    QFile settings(dir.filePath("vako-panel.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"}}));
    settings.close();
    main_Form form(comm, dialogs, PanelEnvironment{settings.fileName(), deviceForPort});
    form.Form_Load();
    QVERIFY(comm.portOpen());
    QCOMPARE(pty->read(1000, 22), QByteArray("=F500000\r=S200\r=P0\r=K2\r"));

    pty.reset();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.texts(), QStringList{"The Com Port is not available"}, 3000);
    QVERIFY(!comm.portOpen());
    QCOMPARE(form.ui().Status->text(), QStringLiteral("Com Port Closed"));
    QVERIFY(!form.ui().menuCloseComPort->isEnabled());
    QTest::qWait(50);
    QCOMPARE(dialogs.boxes.size(), 1);
}

QTEST_MAIN(tst_PortManager)
#include "tst_portmanager.moc"
