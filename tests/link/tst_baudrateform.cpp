#include "PanelFixture.h"
#include "link/Baud_Rate_Form.h"
#include "ui_Baud_Rate_Form.h"
#include "ui_main_Form.h"

#include <QTest>

// The baud-rate dialog: what it shows, stores and applies.
class tst_BaudRateForm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layout();
    void preselection_data();
    void preselection();
    void ok_data();
    void ok();
    void cancelChangesNothing();
    void choosingAgainBringsItToTheFront();
    void modelSwitchedWhileOpen();
    void reopenFailing();

private:
    static Baud_Rate_Form *open(main_Form &form);
};

Baud_Rate_Form *tst_BaudRateForm::open(main_Form &form)
{
    form.ui().menu_Baud_Rate->trigger();
    return form.baudRateForm();
}

void tst_BaudRateForm::layout()
{
    PanelFixture f;
    main_Form &form = f.start();
    Baud_Rate_Form *dialog = open(form);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Baud Rate"));
    QCOMPARE(dialog->size(), QSize(266, 169));
    QVERIFY(!dialog->parent()); // no owner: the main window stays usable
    QVERIFY(!dialog->isModal());
    Ui::Baud_Rate_Form &ui = dialog->ui();
    QCOMPARE(ui.Frame1->title(), QStringLiteral("Select Baud Rate"));
    QCOMPARE(ui.Frame1->geometry(), QRect(12, 12, 109, 145));
    QCOMPARE(ui.Ok_Command->geometry(), QRect(132, 136, 57, 21));
    QCOMPARE(ui.Cancel_Command->geometry(), QRect(200, 136, 57, 21));
    const auto options = dialog->findChildren<QRadioButton *>("BaudRate_Option");
    QCOMPARE(options.size(), 5);
    for (QRadioButton *option : options) {
        const int i = option->property("Index").toInt();
        QCOMPARE(option->geometry(), QRect(12, 20 + 24 * i, 13, 17));
        auto *label = ui.Frame1->childAt(40, 22 + 24 * i + 6);
        QVERIFY(label);
        QCOMPARE(qobject_cast<QLabel *>(label)->text(), Baud_Rate_Form::speeds().at(i));
    }
    QCOMPARE(ui.Ok_Command->nextInFocusChain(), static_cast<QWidget *>(ui.Cancel_Command));
    dialog->close();
}

void tst_BaudRateForm::preselection_data()
{
    QTest::addColumn<Number>("current");
    QTest::addColumn<int>("selected");
    QTest::newRow("115200 bottom") << Number(115200) << 4;
    QTest::newRow("19200 second") << Number(19200) << 1;
    QTest::newRow("9600 top") << Number(9600) << 0;
    QTest::newRow("another speed selects none") << Number(4800) << -1;
    QTest::newRow("no speed selects none") << Number() << -1;
}

void tst_BaudRateForm::preselection()
{
    QFETCH(Number, current);
    QFETCH(int, selected);
    PanelFixture f;
    main_Form &form = f.start();
    form.session().state.BaudRate = current;
    Baud_Rate_Form *dialog = open(form);
    QCOMPARE(dialog->selectedIndex(), selected);
    dialog->close();
}

void tst_BaudRateForm::ok_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QString>("model");
    QTest::addColumn<Number>("current");
    QTest::addColumn<int>("choose"); // -1: leave as selected
    QTest::addColumn<Number>("stored");
    QTest::addColumn<QString>("line");

    QTest::newRow("9600, port closed")
        << false << "BIRCH" << Number(115200) << 0 << Number(9600) << "9600,n,8,1";
    QTest::newRow("unchanged 19200 reopens")
        << true << "BIRCH" << Number(19200) << -1 << Number(19200) << "19200,n,8,1";
    QTest::newRow("57600 on an open port")
        << true << "BIRCH" << Number(115200) << 3 << Number(57600) << "57600,n,8,1";
    QTest::newRow("unknown model stores in no profile")
        << false << "birch" << Number(115200) << 2 << Number(115200) << "38400,n,8,1";
    // Nothing selected and a speed that is none of the five: nothing to apply.
    QTest::newRow("nothing usable")
        << true << "BIRCH" << Number(4800) << -1 << Number(115200) << "115200,n,8,1";
}

void tst_BaudRateForm::ok()
{
    QFETCH(bool, portOpen);
    QFETCH(QString, model);
    QFETCH(Number, current);
    QFETCH(int, choose);
    QFETCH(Number, stored);
    QFETCH(QString, line);

    PanelFixture f;
    f.writeSettings(
        settingsWith({{"BIRCH:Portnumber= 0", portOpen ? "Portnumber= 3" : "Portnumber= 0"}}));
    f.comm.presentPorts = {3};
    main_Form &form = f.start();
    QCOMPARE(f.comm.portOpen(), portOpen);
    const QByteArray fileBefore = f.settingsText();
    const int opensBefore = f.comm.openCount;
    form.session().state.Model = model;
    form.session().state.BaudRate = current;

    Baud_Rate_Form *dialog = open(form);
    if (choose >= 0)
        dialog->findChildren<QRadioButton *>("BaudRate_Option").at(choose)->setChecked(true);
    QTest::mouseClick(dialog->ui().Ok_Command, Qt::LeftButton);
    QTRY_VERIFY(!form.baudRateForm());

    QCOMPARE(form.session().profile(ModelId::Birch).BaudRate, stored);
    QCOMPARE(form.session().profile(ModelId::Alder).BaudRate, Number(115200));
    QCOMPARE(f.comm.settingsWrites.last(), line);
    QCOMPARE(f.comm.portOpen(), portOpen);
    if (portOpen && choose >= 0) {
        QCOMPARE(f.comm.openCount, opensBefore + 1);
        QCOMPARE(f.comm.appliedSettings, line);
    }
    // The speed reaches the settings file with the next save, not now.
    QCOMPARE(f.settingsText(), fileBefore);
    QCOMPARE(f.comm.wire(), portOpen ? QByteArray("=F500000\r=S200\r=P0\r=K2\r") : QByteArray());
    QVERIFY(f.dialogs.boxes.isEmpty());
}

void tst_BaudRateForm::cancelChangesNothing()
{
    PanelFixture f;
    main_Form &form = f.start();
    const int settingsWrites = f.comm.settingsWrites.size();
    Baud_Rate_Form *dialog = open(form);
    dialog->findChildren<QRadioButton *>("BaudRate_Option").at(0)->setChecked(true);
    QTest::mouseClick(dialog->ui().Cancel_Command, Qt::LeftButton);
    QTRY_VERIFY(!form.baudRateForm());
    QCOMPARE(form.session().state.BaudRate, Number(115200));
    QCOMPARE(form.session().profile(ModelId::Birch).BaudRate, Number(115200));
    QCOMPARE(f.comm.settingsWrites.size(), settingsWrites);
}

void tst_BaudRateForm::choosingAgainBringsItToTheFront()
{
    PanelFixture f;
    main_Form &form = f.start();
    Baud_Rate_Form *dialog = open(form);
    dialog->findChildren<QRadioButton *>("BaudRate_Option").at(1)->setChecked(true);
    form.session().state.BaudRate = 9600;
    QCOMPARE(open(form), dialog); // the same dialog, not a new one
    QCOMPARE(dialog->selectedIndex(), 1);
    dialog->close();
    QTRY_VERIFY(!form.baudRateForm());
    // Opened anew, it starts again from the current speed.
    QCOMPARE(open(form)->selectedIndex(), 0);
    form.baudRateForm()->close();
}

void tst_BaudRateForm::modelSwitchedWhileOpen()
{
    PanelFixture f;
    main_Form &form = f.start();
    Baud_Rate_Form *dialog = open(form);
    dialog->findChildren<QRadioButton *>("BaudRate_Option").at(2)->setChecked(true);
    form.session().state.Model = QStringLiteral("ALDER"); // as a switch leaves it
    dialog->Ok_Command_Click();
    QCOMPARE(form.session().profile(ModelId::Alder).BaudRate, Number(38400));
    QCOMPARE(form.session().profile(ModelId::Birch).BaudRate, Number(115200));
}

void tst_BaudRateForm::reopenFailing()
{
    PanelFixture f;
    f.writeSettings(settingsWith({{"BIRCH:Portnumber= 0", "Portnumber= 3"}}));
    f.comm.presentPorts = {3};
    main_Form &form = f.start();
    Baud_Rate_Form *dialog = open(form);
    f.comm.refuseOpen = true; // the adapter was pulled out meanwhile
    dialog->Ok_Command_Click();
    QTRY_VERIFY(!form.baudRateForm());
    QCOMPARE(f.dialogs.texts(), QStringList{"The Com Port is not available"});
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(form.ui().Status->text(), QStringLiteral("Com Port Closed"));
    QVERIFY(!form.ui().menuCloseComPort->isEnabled());
    QVERIFY(!form.panel().ui.menuCom[3]->isChecked());
    QCOMPARE(form.session().profile(ModelId::Birch).Portnumber, Number(3));
}

QTEST_MAIN(tst_BaudRateForm)
#include "tst_baudrateform.moc"
