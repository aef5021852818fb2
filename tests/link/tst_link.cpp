#include "PanelFixture.h"
#include "Pty.h"
#include "link/AnsiText.h"
#include "link/Baud_Rate_Form.h"
#include "link/CommandProtocol.h"
#include "link/PortTable.h"
#include "link/QtSerialControl.h"
#include "link/TransmitterLink.h"
#include "settings/IniFile.h"
#include "ui_Baud_Rate_Form.h"
#include "ui_main_Form.h"

#include <QSignalSpy>
#include <QTest>

// Command lines as bytes, the port table, the serial control on a real
// pseudo-terminal, the Com menu and the baud-rate dialog.
class tst_Link : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineBytes_data();
    void lineBytes();
    void portTable_data();
    void portTable();
    void realDevice();
    void ports_data();
    void ports();
    void baudRate_data();
    void baudRate();
    void baudRateDialog();
};

namespace {
const QString kNotAvailable = QStringLiteral("The Com Port is not available");
QList<int> checked(main_Form &form)
{
    QList<int> ports;
    for (int n = 0; n < form.panel().ui.menuCom.size(); ++n)
        if (form.panel().ui.menuCom[n]->isChecked())
            ports << n;
    return ports;
}
} // namespace

void tst_Link::lineBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char *name, const QString &text, const QByteArray &bytes) {
        QTest::newRow(name) << text << bytes;
    };
    row("frequency", "=F" + CommandField(500000, 6), QByteArray::fromHex("3D463530303030300D"));
    row("five digits keep the sign blank", "=F" + CommandField(99999, 6), "=F 99999\r");
    row("seven digits lose the first", "=F" + CommandField(1000000, 6), "=F000000\r");
    row("speed 5 wpm", "=S" + CommandField(50, 3), QByteArray::fromHex("3D532035300D"));
    row("speed 0.5 wpm", "=S" + CommandField(5, 3), "=S 5\r");
    row("negative keeps its minus", "=S" + CommandField(-5, 3), "=S-5\r");
    row("negative cut", "=S" + CommandField(-1234, 3), "=S234\r");
    row("stop, digit zero", "=B0", QByteArray::fromHex("3D42300D"));
    row("Latin-1 letter", QString::fromUtf8("=MJÖRG"), "=MJ\xD6RG\r");
    row("euro from the 0x80 row", QString::fromUtf8("=M5€"), "=M5\x80\r");
    row("outside the code page", QString::fromUtf8("=MЖ"), "=M?\r");
    row("astral character is one ?", QString::fromUtf8("=MA😀B"), "=MA?B\r");
}

void tst_Link::lineBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TransmitterLink::lineBytes(text), bytes);
    // The ranges a field carries, and every byte surviving a decode and an encode.
    for (const auto &[word, low, high] :
         {std::tuple{"=F", 0, 999999}, {"=S", 0, 999}, {"=P", 0, 3}, {"=K", 0, 3}, {"=X", 1, 0}}) {
        QVERIFY(!Command::carries(word, low - 1) && !Command::carries(word, high + 1));
        QCOMPARE(Command::carries(word, low) && Command::carries(word, high), low <= high);
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(AnsiText::encode(AnsiText::decode(all)), all);
}

void tst_Link::portTable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint64>("port");
    QTest::addColumn<QString>("device");
    const QByteArray none = "[VAKO]\nModel=BIRCH\n";
    QTest::newRow("first UART") << none << qint64(1) << "/dev/ttyS0";
    QTest::newRow("first USB") << none << qint64(33) << "/dev/ttyUSB0";
    QTest::newRow("last CDC-ACM") << none << qint64(96) << "/dev/ttyACM31";
    QTest::newRow("97 names none") << none << qint64(97) << "";
    const QByteArray ports = "[Ports]\nCom3=/dev/serial/by-id/x\ncom7 = /dev/ttyUSB4 \n"
                             "Com100=COM7\nCom101=/dev/ttyS9\nCom05=/dev/ttyS5\nCom8=\n"
                             "Com3=/dev/ttyS3\nCom9=/dev/tty\x01S0\n";
    QTest::newRow("first of duplicates") << ports << qint64(3) << "/dev/serial/by-id/x";
    QTest::newRow("key in other case") << ports << qint64(7) << "/dev/ttyUSB4";
    QTest::newRow("highest") << ports << qint64(100) << "COM7";
    QTest::newRow("no entry names none") << ports << qint64(1) << "";
    QTest::newRow("leading zero") << ports << qint64(5) << "";
    QTest::newRow("above 100") << ports << qint64(101) << "";
    QTest::newRow("empty value") << ports << qint64(8) << "";
    QTest::newRow("control character") << ports << qint64(9) << "";
    QTest::newRow("NUL") << QByteArray("[Ports]\nCom1=/dev/\0tty\n", 23) << qint64(1) << "";
}

void tst_Link::portTable()
{
    QFETCH(QByteArray, file);
    QFETCH(qint64, port);
    QFETCH(QString, device);
    QCOMPARE(PortTable::fromSettings(IniDocument::fromBytes(file)).deviceFor(port), device);
}

void tst_Link::realDevice()
{
    auto pty = std::make_unique<Pty>();
    QtSerialControl comm([&](qint64 n) {
        return n == 3   ? pty->deviceName()
               : n == 5 ? QStringLiteral("/dev/vako-none")
                        : QString::fromLatin1("/d\0v", 4);
    });
    QtSerialControl other([&](qint64 n) { return n == 3 ? pty->deviceName() : QString(); });
    // Refused: port 0, beyond 16 bits, no device in the table, a name with a NUL, no such device.
    QVERIFY(!comm.setCommPort(0) && !comm.setCommPort(70000) && !other.setCommPort(4));
    QVERIFY(!comm.setCommPort(6) && comm.setCommPort(5) && !comm.setPortOpen(true));
    QVERIFY(comm.setCommPort(3) && other.setCommPort(3) && comm.setPortOpen(true));
    TransmitterLink(comm).SendCommand("=F" + CommandField(500000, 6));
    QCOMPARE(pty->read(0, 9), QByteArray("=F500000\r")); // no event-loop turn in between
    pty->write("#I:VAKO BIRCH\r");
    QByteArray got;
    for (int i = 0; i < 300 && got.size() < 14; ++i, QTest::qSleep(10))
        got += comm.input();
    QCOMPARE(got, QByteArray("#I:VAKO BIRCH\r"));
    QCOMPARE(comm.input(), QByteArray());
    QVERIFY(!other.setPortOpen(true)); // the device is held
    QVERIFY(comm.setPortOpen(false) && other.setPortOpen(true));
    QSignalSpy failed(&other, &SerialControl::portFailed);
    pty.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!other.portOpen(), 2000);
    QTest::qWait(50);
    QCOMPARE(failed.count(), 1);
}

void tst_Link::ports_data()
{
    QTest::addColumn<QList<qint64>>("present");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("shown"); // the Com entries the probe shows
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("open");   // the port open afterwards, 0 for none
    QTest::addColumn<int>("stored"); // BIRCH's port, ALDER keeps 4
    QTest::addColumn<bool>("saved");
    const QList<qint64> all{3, 4, 5, 7};
    const QStringList shown{"Com3", "Com4", "Com5", "Com7"}, none{"No Free Com Ports Found ?"};
    QTest::newRow("probe: none free") << QList<qint64>{} << "" << none << "" << 0 << 3 << false;
    QTest::newRow("probe: busy hidden")
        << QList<qint64>{3, 100} << "busy3" << QStringList{"Com100"} << "" << 0 << 3 << false;
    QTest::newRow("Com5 while 3 open") << all << "Com5" << shown << "" << 5 << 5 << true;
    QTest::newRow("the same port again") << all << "Com3" << shown << "" << 3 << 3 << true;
    QTest::newRow("a port taken meanwhile")
        << all << "Com7" << shown << kNotAvailable << 0 << 0 << true;
    QTest::newRow("placeholder") << all << "Com0" << shown
                                 << "Exit the application and connect first the USB-RS232 cable. "
                                    "Then try again."
                                 << 3 << 3 << false;
    QTest::newRow("Close Com Port") << all << "close" << shown << "" << 0 << 0 << true;
    QTest::newRow("port failing while open")
        << all << "fail" << shown << kNotAvailable << 0 << 3 << false;
    QTest::newRow("baud-rate reopen failing")
        << all << "baud" << shown << kNotAvailable << 0 << 3 << false;
}

void tst_Link::ports()
{
    QFETCH(QList<qint64>, present);
    QFETCH(QString, action);
    QFETCH(QStringList, shown);
    QFETCH(QString, message);
    QFETCH(int, open);
    QFETCH(int, stored);
    QFETCH(bool, saved);
    PanelFixture f;
    f.writeSettings(settingsWith(
        {{"BIRCH:Portnumber= 0", "Portnumber= 3"}, {"ALDER:Portnumber= 0", "Portnumber= 4"}}));
    f.comm.presentPorts = QSet<qint64>(present.begin(), present.end());
    if (action == "busy3")
        f.comm.busyPorts = {3};
    main_Form &form = f.start();
    QStringList entries;
    for (QAction *entry : form.panel().ui.menuCom)
        if (entry->isVisible())
            entries << entry->text();
    QCOMPARE(entries, shown);
    const QByteArray before = f.settingsText();
    if (action == "Com7")
        f.comm.busyPorts = {7}; // another program took it after the probe
    if (action.startsWith("Com"))
        form.panel().ui.menuCom[action.mid(3).toInt()]->trigger();
    else if (action == "close")
        form.ui().menuCloseComPort->trigger();
    else if (action == "fail")
        f.comm.failPort();
    else if (action == "baud" && (f.comm.refuseOpen = true))
        form.ui().menu_Baud_Rate->trigger(), form.baudRateForm()->Ok_Command_Click();
    QTest::qWait(20);
    QCOMPARE(f.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (action == "Com0") {
        QCOMPARE(f.dialogs.boxes[0].title, QStringLiteral("No Free Com Ports Found"));
        QCOMPARE(f.dialogs.boxes[0].icon, MessageBoxRequest::Icon::Information);
    }
    QCOMPARE(f.comm.portOpen() ? f.comm.openPort : 0, qint64(open));
    QCOMPARE(checked(form), open ? QList<int>{open} : QList<int>{});
    QCOMPARE(form.ui().menuCloseComPort->isEnabled(), open > 0);
    QCOMPARE(form.ui().Status->text(), open ? "Com Port Open" : "Com Port Closed");
    QCOMPARE(form.session().profile(ModelId::Birch).Portnumber, Number(stored));
    QCOMPARE(form.session().profile(ModelId::Alder).Portnumber, Number(4));
    const QByteArray port = "Portnumber= " + QByteArray::number(stored);
    QCOMPARE(f.settingsText(), saved ? settingsWith({{"BIRCH:Portnumber= 0", port.constData()},
                                                     {"ALDER:Portnumber= 0", "Portnumber= 4"}})
                                     : before);
    f.comm.clearWrites(); // a later sender writes only to an open port
    form.ui().Frequency_display->setCaption(QStringLiteral("500.100"));
    QCOMPARE(!f.comm.wire().isEmpty(), open > 0);
}

void tst_Link::baudRate_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<Number>("current");
    QTest::addColumn<int>("preselected");
    QTest::addColumn<int>("choose");    // -1 leaves the selection, -2 cancels
    QTest::addColumn<QString>("model"); // as a switch leaves it while the dialog is open
    QTest::addColumn<QString>("line");  // the line settings applied, empty for none
    QTest::addColumn<Number>("birch");
    QTest::addColumn<Number>("alder");
    QTest::newRow("9600, port closed") << false << Number(115200) << 4 << 0 << "BIRCH"
                                       << "9600,n,8,1" << Number(9600) << Number(115200);
    QTest::newRow("unchanged reopen") << true << Number(19200) << 1 << -1 << "BIRCH"
                                      << "19200,n,8,1" << Number(19200) << Number(115200);
    QTest::newRow("57600, port open") << true << Number(115200) << 4 << 3 << "BIRCH"
                                      << "57600,n,8,1" << Number(57600) << Number(115200);
    QTest::newRow("unknown model") << false << Number(115200) << 4 << 2 << "birch"
                                   << "38400,n,8,1" << Number(115200) << Number(115200);
    QTest::newRow("model switched") << true << Number(115200) << 4 << 2 << "ALDER"
                                    << "38400,n,8,1" << Number(115200) << Number(38400);
    QTest::newRow("nothing usable") << true << Number(4800) << -1 << -1 << "BIRCH"
                                    << "" << Number(115200) << Number(115200);
    QTest::newRow("Cancel") << false << Number(9600) << 0 << -2 << "BIRCH"
                            << "" << Number(115200) << Number(115200);
}

void tst_Link::baudRate()
{
    QFETCH(bool, portOpen);
    QFETCH(Number, current);
    QFETCH(int, preselected);
    QFETCH(int, choose);
    QFETCH(QString, model);
    QFETCH(QString, line);
    QFETCH(Number, birch);
    QFETCH(Number, alder);
    PanelFixture f;
    f.writeSettings(
        settingsWith({{"BIRCH:Portnumber= 0", portOpen ? "Portnumber= 3" : "Portnumber= 0"}}));
    f.comm.presentPorts = {3};
    main_Form &form = f.start();
    const QByteArray file = f.settingsText();
    const int writes = f.comm.settingsWrites.size(), opens = f.comm.openCount;
    form.session().state.BaudRate = current;
    form.ui().menu_Baud_Rate->trigger();
    Baud_Rate_Form *dialog = form.baudRateForm();
    QCOMPARE(dialog->selectedIndex(), preselected);
    form.session().state.Model = model;
    if (choose >= 0)
        dialog->findChildren<QRadioButton *>("BaudRate_Option").at(choose)->setChecked(true);
    QTest::mouseClick(choose == -2 ? dialog->ui().Cancel_Command : dialog->ui().Ok_Command,
                      Qt::LeftButton);
    QTRY_VERIFY(!form.baudRateForm());
    QCOMPARE(form.session().profile(ModelId::Birch).BaudRate, birch);
    QCOMPARE(form.session().profile(ModelId::Alder).BaudRate, alder);
    QCOMPARE(f.comm.settingsWrites.mid(writes), line.isEmpty() ? QStringList() : QStringList{line});
    QCOMPARE(f.comm.portOpen(), portOpen);
    QCOMPARE(f.comm.openCount, opens + (portOpen && !line.isEmpty()));
    QCOMPARE(f.settingsText(), file); // stored with the next save, not now
    QVERIFY(f.dialogs.boxes.isEmpty());
}

void tst_Link::baudRateDialog()
{
    PanelFixture f;
    main_Form &form = f.start();
    form.ui().menu_Baud_Rate->trigger();
    Baud_Rate_Form *dialog = form.baudRateForm();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Baud Rate"));
    QCOMPARE(dialog->size(), QSize(266, 169));
    QVERIFY(!dialog->parent() && !dialog->isModal()); // the main window stays usable
    const auto options = dialog->findChildren<QRadioButton *>("BaudRate_Option");
    QCOMPARE(options.size(), 5);
    options[1]->setChecked(true);
    form.session().state.BaudRate = 9600;
    form.ui().menu_Baud_Rate->trigger(); // brought to the front as it is
    QCOMPARE(form.baudRateForm(), dialog);
    QCOMPARE(dialog->selectedIndex(), 1);
    dialog->close();
    QTRY_VERIFY(!form.baudRateForm());
    form.ui().menu_Baud_Rate->trigger();
    QCOMPARE(form.baudRateForm()->selectedIndex(), 0);
}

QTEST_MAIN(tst_Link)
#include "tst_link.moc"
