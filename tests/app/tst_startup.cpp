#include "PanelFixture.h"
#include "link/Baud_Rate_Form.h"
#include "panel/DisplayLabel.h"
#include "ui_main_Form.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QTest>

// The start-up from the stored state, and the shutdown that stores it again.
class tst_StartUp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startUpLines_data();
    void startUpLines();
    void firstRunWithoutPort();
    void closingSavesEveryEntry_data();
    void closingSavesEveryEntry();
    void exitSavesOnceAndClosesTheDialog();
    void closingWithDialogOpenDiscardsItsSelection();
};

void tst_StartUp::startUpLines_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QList<qint64>>("busy");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");

    const QList<qint64> none;
    const QString open = QStringLiteral("Com Port Open");
    const QString closed = QStringLiteral("Com Port Closed");

    QTest::newRow("BIRCH on port 3")
        << settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"}}) << none
        << QByteArray("=F500000\r=S200\r=P0\r=K2\r") << open << QStringList();
    // The refresh shows ALDER's values, each control sending its own line,
    // then the start-up pushes all four.
    QTest::newRow("ALDER on port 3")
        << settingsWith({{"Model=BIRCH", "Model=ALDER"}, {"ALDER:Portnumber= 0", "Portnumber= 3"}})
        << none << QByteArray("=F136000\r=P1\r=S100\r=F136000\r=S100\r=P1\r=K2\r") << open
        << QStringList();
    QTest::newRow("keyer mode 0") << settingsWith({{"Keyer_Type= 2", "Keyer_Type= 0"},
                                                   {"BIRCH:Portnumber= 0", "Portnumber= 3"}})
                                  << none << QByteArray("=F500000\r=S200\r=P0\r=K0\r") << open
                                  << QStringList();
    QTest::newRow("model text in lower case")
        << settingsWith({{"Model=BIRCH", "Model=birch"}, {"BIRCH:Portnumber= 0", "Portnumber= 3"}})
        << none << QByteArray() << closed
        << QStringList{"Invalid VAKO Model", "Unknown VAKO Model"};
    QTest::newRow("stored port busy")
        << settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"}}) << QList<qint64>{3}
        << QByteArray() << closed << QStringList();
    QTest::newRow("baud rate refused")
        << settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"},
                         {"BIRCH:BaudRate= 115200", "BaudRate=fast"}})
        << none << QByteArray() << closed << QStringList();
    // Values the settings file can bring but no command can carry: what is
    // sendable goes out, nothing else does.
    QTest::newRow("indexes out of range")
        << settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"},
                         {"BIRCH:Power= 0", "Power= 9"},
                         {"BIRCH:Step= 2", "Step= -1"},
                         {"Keyer_Type= 2", "Keyer_Type= 4"}})
        << none << QByteArray("=F500000\r=S200\r") << open << QStringList();
    QTest::newRow("values that spell no number")
        << settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"},
                         {"BIRCH:Frequency= 500000", "Frequency=abc"},
                         {"BIRCH:CW_speed= 200", "CW_speed="},
                         {"Keyer_Type= 2", "Keyer_Type=x"}})
        << none << QByteArray("=P0\r") << open << QStringList();
    QTest::newRow("frequency beyond the field")
        << settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"},
                         {"BIRCH:Frequency= 500000", "Frequency= 1000000"}})
        << none << QByteArray("=S200\r=P0\r=K2\r") << open << QStringList();
}

void tst_StartUp::startUpLines()
{
    QFETCH(QByteArray, settings);
    QFETCH(QList<qint64>, busy);
    QFETCH(QByteArray, wire);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);

    PanelFixture f;
    f.writeSettings(settings);
    f.comm.presentPorts = {3};
    f.comm.busyPorts = QSet<qint64>(busy.begin(), busy.end());
    main_Form &form = f.start();

    QCOMPARE(f.comm.wire(), wire);
    QCOMPARE(form.ui().Status->text(), status);
    QCOMPARE(f.dialogs.texts(), messages);
    QCOMPARE(form.ui().menuCloseComPort->isEnabled(), status == QStringLiteral("Com Port Open"));
    if (f.comm.portOpen()) {
        QCOMPARE(f.comm.openPort, qint64(3));
        QCOMPARE(f.comm.appliedSettings, QStringLiteral("115200,n,8,1"));
        QVERIFY(form.panel().ui.menuCom[3]->isChecked());
    }
    // The start-up never writes a settings file that exists.
    QCOMPARE(f.settingsText(), settings);
}

void tst_StartUp::firstRunWithoutPort()
{
    PanelFixture f;
    main_Form &form = f.start();
    QVERIFY(f.settingsText().startsWith("[VAKO]\nModel=BIRCH\n"));
    QCOMPARE(f.comm.wire(), QByteArray());
    QCOMPARE(form.ui().Status->text(), QStringLiteral("Com Port Closed"));
    QVERIFY(!form.ui().menuCloseComPort->isEnabled());
    QVERIFY(f.dialogs.boxes.isEmpty());
}

void tst_StartUp::closingSavesEveryEntry_data()
{
    QTest::addColumn<bool>("viaExit");
    QTest::newRow("window closed") << false;
    QTest::newRow("Exit") << true;
}

void tst_StartUp::closingSavesEveryEntry()
{
    QFETCH(bool, viaExit);
    PanelFixture f;
    // A file as an operator may have edited it: numbers without the sign
    // blank, which every save writes back in the one form.
    f.writeSettings(
        settingsWith({{"BIRCH:Frequency= 500000", "Frequency=500100"}}).replace("= ", "="));
    main_Form &form = f.start();
    form.session().profile(ModelId::Alder).CW_speed = 150;
    if (viaExit)
        form.ui().menu_Exit->trigger();
    else
        form.close();
    QCOMPARE(f.settingsText(), settingsWith({{"BIRCH:Frequency= 500000", "Frequency= 500100"},
                                             {"ALDER:CW_speed= 100", "CW_speed= 150"}}));
}

void tst_StartUp::exitSavesOnceAndClosesTheDialog()
{
    PanelFixture f;
    main_Form &form = f.start();
    form.show();
    form.ui().menu_Baud_Rate->trigger();
    QVERIFY(form.baudRateForm());
    QVERIFY(form.baudRateForm()->isVisible());

    form.ui().menu_Exit->trigger();
    QVERIFY(!form.isVisible());
    QTRY_VERIFY(!form.baudRateForm());
    // A second close (the window system asking again) saves nothing more.
    QFile::remove(f.settingsPath());
    QCloseEvent again;
    QCoreApplication::sendEvent(&form, &again);
    QVERIFY(!QFile::exists(f.settingsPath()));
}

void tst_StartUp::closingWithDialogOpenDiscardsItsSelection()
{
    PanelFixture f;
    main_Form &form = f.start();
    form.ui().menu_Baud_Rate->trigger();
    Baud_Rate_Form *dialog = form.baudRateForm();
    QVERIFY(dialog);
    dialog->findChildren<QRadioButton *>("BaudRate_Option").first()->setChecked(true); // 9600
    form.show();
    dialog->show();
    form.close();
    // The dialog goes with the window, its selection unapplied.
    QVERIFY(!dialog->isVisible());
    QTRY_VERIFY(!form.baudRateForm());
    QCOMPARE(form.session().state.BaudRate, Number(115200));
    QVERIFY(f.settingsText().contains("[BIRCH_settings]\nFrequency= 500000\nStep= 2\n"
                                      "CW_speed= 200\nPower= 0\nBaudrate= 115200\n"));
}

QTEST_MAIN(tst_StartUp)
#include "tst_startup.moc"
