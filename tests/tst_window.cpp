#include "Baud_Rate_Form.h"
#include "Help.h"
#include "MessageFileMenu.h"
#include "PanelFixture.h"
#include "QtDialogs.h"
#include "WindowLook.h"
#include "remote/RigProtocol.h"
#include "settings/IniFile.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTimer>

#include <numeric>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using FileRow = std::tuple<QString, QByteArray, QByteArray>;

// The main window in this process on the scripted serial line and operator.
class tst_Window : public QObject
{
    Q_OBJECT
    std::unique_ptr<PanelFixture> f;
    int writesAtStart = 0, opensAtStart = 0, opensInStartUp = 0;
    QByteArray afterStartUp;

    // "V:", "A:", "B:": the sections VAKO, ALDER_settings, BIRCH_settings.
    static QString section(const QString &entry)
    {
        return QStringList{"VAKO", "ALDER_settings",
                           "BIRCH_settings"}[QString("VAB").indexOf(entry[0])];
    }
    // A settings file with both models on Com3 and entries set ("B:Step=0"),
    // with numbers written without their blank ("bare"), or none at all ("none").
    QByteArray file(const QString &spec)
    {
        IniDocument document =
            IniDocument::fromBytes(settingsWith({}).replace("Portnumber= 0", "Portnumber= 3"));
        for (const QString &entry : spec.split(' ', Qt::SkipEmptyParts)) {
            if (entry.contains(':'))
                document.setValue(section(entry), entry.mid(2).section('=', 0, 0),
                                  entry.section('=', 1));
        }
        const QByteArray bytes = document.toBytes();
        return spec.contains("none")   ? QByteArray()
               : spec.contains("bare") ? QByteArray(bytes).replace("= ", "=")
                                       : bytes;
    }
    // title|frequency|speed|step|power|ALDER,BIRCH marks|keyer marks|port|boxes,
    // a box shown as "(i) " or "(!) " for its icon and "title: " unless the program's.
    QString look()
    {
        QString marks, boxes;
        for (QAction *entry :
             f->array("menu_VAKO_ALDER") + f->array("menu_VAKO_BIRCH") + f->array("menu_Keyer"))
            marks += QString(entry->isChecked() ? "1" : "0") + (marks.size() == 1 ? "|" : "");
        for (const MessageBoxRequest &b : f->dialogs.boxes)
            boxes += QStringList{"", "(i) ", "(!) "}[int(b.icon)] +
                     (b.title == kApplicationTitle ? "" : b.title + ": ") + b.text + ";";
        return QStringList{f->form->windowTitle(),
                           f->get<QLabel>("Frequency_display")->text(),
                           f->get<QLabel>("CW_speed_display")->text(),
                           QString::number(f->get<QButtonGroup>("Step_Option")->checkedId()),
                           QString::number(f->get<QButtonGroup>("Power_Option")->checkedId()),
                           marks,
                           f->portState(),
                           boxes.chopped(boxes.isEmpty() ? 0 : 1)}
            .join(u'|');
    }
    // One step of the operator, of the world around the window, or a look at
    // it. A control is named by its object name, with the index of a control
    // array ("Power_Option 3", "menuCom 5").
    void step(const QString &s)
    {
        const QString verb = s.section(' ', 0, 0), arg = s.section(' ', 1);
        const IniDocument saved = IniDocument::load(f->path());
        if (verb == "start") {
            const int opensBefore = f->fake.openCount;
            f->start(QByteArray(), true);
            writesAtStart = f->fake.settingsWrites.size();
            opensAtStart = f->fake.openCount;
            opensInStartUp = opensAtStart - opensBefore;
            afterStartUp = f->saved();
        } else if (verb == "present") // ports that exist
            f->fake.presentPorts = {arg.toInt(), arg.section(' ', 1).toInt()};
        else if (verb == "busy") // another program takes the port
            f->fake.busyPorts = {arg.toInt()};
        else if (verb == "refuse")
            f->fake.refuseOpen = true;
        else if (verb == "fail") // the adapter is pulled out
            f->fake.failPort();
        else if (verb == "receive") // the transmitter says something
            f->fake.receiveBuffer = arg.toLatin1();
        else if (verb == "text")
            f->message()->setPlainText(arg);
        else if (verb == "fill") // a message of so many characters, ending in "SK"
            f->message()->setPlainText(QString(arg.toInt() - 2, u'E') + "SK");
        else if (verb == "caret") {
            QTextCursor caret = f->message()->textCursor();
            caret.setPosition(arg.toInt());
            f->message()->setTextCursor(caret);
        } else if (verb == "type")
            QTest::keyClicks(f->message(), arg);
        else if (verb == "paste") {
            QApplication::clipboard()->setText(arg);
            f->message()->paste();
        } else if (verb == "select") { // the message's first characters
            QTextCursor selection = f->message()->textCursor();
            selection.setPosition(arg.toInt(), QTextCursor::KeepAnchor);
            f->message()->setTextCursor(selection);
        } else if (verb == "holds") { // the message's length, start and end
            const QString text = f->message()->toPlainText();
            QCOMPARE(QString::number(text.size()) + ' ' + text.left(2) + ' ' + text.right(2), arg);
        } else if (verb == "delete")
            QVERIFY(QFile::remove(f->path()));
        else if (verb == "close")
            f->form->close();
        else if (verb == "dismiss") // the dialog's own close control
            f->baudRateForm()->close();
        else if (verb == "again") { // a second close, as the window system may send, saves nothing
            QVERIFY(QFile::remove(f->path()));
            QCloseEvent again;
            QCoreApplication::sendEvent(f->form.get(), &again);
            QVERIFY(!QFile::exists(f->path()));
        } else if (verb == "unchanged") // the file as the start-up left it
            QCOMPARE(f->saved(), afterStartUp);
        else if (verb == "drained")
            QCOMPARE(f->fake.receiveBuffer, QByteArray());
        else if (verb == "menu") {
            QStringList shown;
            for (QAction *entry : f->array("menuCom"))
                shown << (entry->isVisible() ? entry->text() : "");
            QCOMPARE(shown.filter(QRegularExpression(".")).join(' '), arg);
        } else if (verb == "saved")
            QCOMPARE(arg.left(2) + arg.mid(2).section('=', 0, 0) + '=' +
                         saved.value(section(arg), arg.mid(2).section('=', 0, 0)).value_or("none"),
                     arg);
        else if (verb == "has") // a line of the file as it is written
            QVERIFY2(f->saved().split('\n').contains(arg.toLatin1()), qPrintable(arg));
        else if (verb == "selected")
            QCOMPARE(f->get<QButtonGroup>("BaudRate_Option")->checkedId(), arg.toInt());
        else if (verb == "line") // the line settings given to the serial line since the start-up
            QCOMPARE(f->fake.settingsWrites.mid(writesAtStart).join(' '), arg);
        else if (verb == "opens") // since the start-up
            QCOMPARE(f->fake.openCount - opensAtStart, arg.toInt());
        else if (verb == "opened") // in the start-up, its probes included
            QCOMPARE(opensInStartUp, arg.toInt());
        else if (verb == "remote") { // a station program's line and the panel's answer
            RigConversation program(f->form->remoteControl());
            QCOMPARE(program.take(arg.section(" => ", 0, 0).toLatin1() + '\n'),
                     arg.section(" => ", 1).replace('|', '\n').toLatin1() + '\n');
        } else if (verb == "gone")
            QTRY_VERIFY(!f->baudRateForm());
        else if (verb == "modeless") // and owned by no window: the main window stays usable
            QVERIFY(!f->baudRateForm()->isModal() && !f->baudRateForm()->parent());
        else {
            const QList<QObject *> all = f->array<QObject>(verb);
            for (QObject *o : all) {
                if (!arg.isEmpty() && o->property("Index").toString() != arg)
                    continue;
                if (auto *button = qobject_cast<QAbstractButton *>(o))
                    return button->click();
                if (auto *action = qobject_cast<QAction *>(o))
                    return action->trigger();
            }
            QFAIL(qPrintable("no control for the step " + s));
        }
    }

private Q_SLOTS:
    void init() { f = std::make_unique<PanelFixture>(); }
    void cleanup()
    {
        f.reset();
        qDeleteAll(QApplication::topLevelWidgets());          // the baud-rate dialog has no owner
        QTimer::singleShot(0, qApp, &QCoreApplication::quit); // Exit ended the program's loop
        QCoreApplication::exec(); // before it ran: let it run and end, and boxes wait again
    }

    // The start-up from a stored state, then the steps: the lines sent (by
    // the steps; by the start-up when there are none), and the window at the
    // end (a pattern, * for anything).
    void scenario_data()
    {
        const QString birch = "VAKO BIRCH|500.000|20|2|0|01|0010|open 3|",
                      alder = "VAKO ALDER|136.000|10|1|1|10|0010|open 3|",
                      lost = "The Com Port is not available",
                      closed = "A:Portnumber=0 B:Portnumber=0",
                      senders = "up_Button;CW_speed_down;Power_Option 3;menu_Keyer 3;Send_button;"
                                "Stop_button;menuShow_VAKO_Software_Version;close;saved B:Power=3";
        rows({
            {"first run", "none", "", "", "VAKO BIRCH|500.000|*|closed|"},
            {"BIRCH on port 3", "", "", "=F500000\r=S200\r=P0\r=K2\r", birch},
            {"four ports free: four probes, the stored one kept open", "", "opened 4", "", "*"},
            {"ALDER on port 3: the refresh's lines, then the start-up's", "V:Model=ALDER", "",
             "=F136000\r=P1\r=S100\r=F136000\r=S100\r=P1\r=K2\r", alder},
            {"keyer mode 0", "V:Keyer_Type=0", "", "=F500000\r=S200\r=P0\r=K0\r", "*|01|1000"},
            {"model in lower case", "V:Model=birch", "", "",
             "VAKO birch|*|01|0010|closed|Invalid VAKO Model;Unknown VAKO Model"},
            {"stored port busy: kept for the next start", "",
             "busy 3;start;unchanged;close;saved B:Portnumber=3", "", "VAKO BIRCH|*|closed|"},
            {"baud rate refused", "B:BaudRate=fast", "", "", "*|closed|"},
            {"indexes no command carries", "B:Power=9 B:Step=-1 V:Keyer_Type=4", "",
             "=F500000\r=S200\r", "*|20|-1|-1|01|0000"},
            {"values that spell no number", "B:Frequency=abc B:CW_speed= V:Keyer_Type=x", "",
             "=P0\r", "VAKO BIRCH|||2|0|01|0000"},
            {"frequency beyond the field", "B:Frequency=1000000", "", "=S200\r=P0\r=K2\r",
             "*|1000.000|*"},
            // Up and Down in steps 0..3 (1 Hz..1 kHz), and the speed's grid.
            {"up 1 Hz", "B:Step=0", "up_Button;close;saved B:Frequency=500001", "=F500001\r",
             "*|500.001|20|0|*"},
            {"down 10 Hz", "B:Frequency=136000 B:Step=1", "down_Button", "=F135990\r",
             "*|135.990|*"},
            {"down 1 kHz", "B:Frequency=100000 B:Step=3", "down_Button", "=F 99000\r",
             "*|99.000|*"},
            {"past the top", "B:Frequency=999500 B:Step=3", "up_Button", "", "*|999.500|*"},
            {"below zero", "B:Frequency=500 B:Step=3", "down_Button", "", "*|0.500|*"},
            {"1000 kHz down", "B:Frequency=1000000 B:Step=0", "down_Button", "=F999999\r",
             "*|999.999|*"},
            {"invalid step", "B:Step=4", "up_Button", "", "*|500.000|20|-1|*|open 3|Invalid Step"},
            {"frequency no number", "B:Frequency=abc", "up_Button", "", "VAKO BIRCH||20|*"},
            {"up from 0.9", "B:CW_speed=9", "CW_speed_up;close;saved B:CW_speed=10", "=S 10\r",
             "*.000|1|*"},
            {"down from 2", "B:CW_speed=20", "CW_speed_down", "=S 10\r", "*.000|1|*"},
            {"down from 1", "B:CW_speed=10", "CW_speed_down", "=S 9\r", "*.000|0.9|*"},
            {"up to 50", "B:CW_speed=490", "CW_speed_up", "=S500\r", "*.000|50|*"},
            {"up at 50", "B:CW_speed=500", "CW_speed_up", "", "*.000|50|*"},
            {"down at 0.1", "B:CW_speed=1", "CW_speed_down", "", "*.000|0.1|*"},
            {"off grid to 50.5", "B:CW_speed=495", "CW_speed_up;CW_speed_up", "=S505\r",
             "*.000|50.5|*"},
            {"off grid down", "B:CW_speed=15", "CW_speed_down", "=S 5\r", "*.000|0.5|*"},
            {"speed no number", "B:CW_speed=x", "CW_speed_up", "", "*.000||*"},
            // Every sender in turn: the values are kept either way, the lines go
            // out only on an open port, and each sender has its closed-port text.
            {"senders, port open", "", senders,
             "=F500100\r=S190\r=P3\r=K 3\r=MCQ DE VAKO K\r=BT\r=B0\r?I\r",
             "VAKO BIRCH|500.100|19|2|3|01|0001"},
            {"senders, port closed", closed,
             senders + ";saved B:Frequency=500100;saved B:CW_speed=190", "",
             "VAKO BIRCH|500.100|19|2|3|01|0010|closed|Com port is closed;Com port is Closed;"
             "Com port is Closed;VAKO Transmitter Information: Comp Port is Closed"},
            {"a step option sends nothing", "", "Step_Option 0;unchanged", "", "*|20|0|0|*"},
            {"transmit an empty box", "", "text ;Send_button", "=M\r=BT\r", birch},
            {"a message line like a command", "", "text TEST\n=P3;Send_button", "=MTEST =P3\r=BT\r",
             birch},
            {"an empty message line", "", "text A\n\nB;Send_button", "=MA  B\r=BT\r", birch},
            // What is typed or pasted stops at 200 characters; nothing already there goes.
            {"typing into a full message", "", "fill 200;caret 0;type QQ;holds 200 EE SK", "",
             birch},
            {"typing up to 200", "", "fill 198;caret 0;type QQQ;holds 200 QQ SK;Send_button",
             "=MQQ" + QString(196, u'E') + "SK\r=BT\r", birch},
            {"pasting up to 200", "", "fill 195;caret 0;paste 0123456789;holds 200 01 SK", "",
             birch},
            {"typing over a selection", "", "fill 200;caret 0;select 5;type QQQQQQ;holds 200 QQ SK",
             "", birch},
            {"a late reply is discarded", "", "receive #I:LATE;Send_button;drained",
             "=MCQ DE VAKO K\r=BT\r", birch},
            // The model switch: its own lines, then the refresh's; saved at once.
            {"BIRCH to ALDER", "", "delete;menu_VAKO_ALDER;saved V:Model=ALDER",
             "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r", alder},
            {"BIRCH again", "", "delete;menu_VAKO_BIRCH;saved V:Model=BIRCH",
             "=F500000\r=S200\r=P 0\r", birch},
            {"switch, port fails", "A:Portnumber=7",
             "busy 7;menu_VAKO_ALDER;saved A:Portnumber=0;saved B:Portnumber=3", "",
             "VAKO ALDER|136.000|10|1|1|10|0010|closed|" + lost},
            {"switch ends an unknown model", "V:Model=birch", "menu_VAKO_ALDER",
             "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r",
             alder + "Invalid VAKO Model;Unknown VAKO Model"},
            {"each model keeps its frequency", "V:Model=ALDER",
             "up_Button;menu_VAKO_BIRCH;menu_VAKO_ALDER;saved A:Frequency=136010;saved "
             "B:Frequency=500000",
             "=F136010\r=F500000\r=S200\r=P 0\r=F500000\r=P0\r=S200\r=F136010\r=S100\r=P "
             "1\r=F136010\r=P1\r=S100\r",
             "VAKO ALDER|136.010|*"},
            // The Com menu: the probe, and choosing, closing and losing a port.
            {"probe: none free", "", "present;start;menu No Free Com Ports Found ?", "",
             "*|closed|"},
            {"probe: busy hidden", "", "present 3 100;busy 3;start;menu Com100", "", "*|closed|"},
            {"Com5 while 3 open", "A:Portnumber=4",
             "menu Com3 Com4 Com5 Com7;menuCom 5;saved B:Portnumber=5;saved A:Portnumber=4", "",
             "*|open 5|"},
            {"the same port again", "", "delete;menuCom 3;saved B:Portnumber=3;opens 1", "", "*"},
            {"a port taken meanwhile", "A:Portnumber=4",
             "busy 7;menuCom 7;saved B:Portnumber=0;saved A:Portnumber=4", "", "*|closed|" + lost},
            {"the placeholder", "", "menuCom 0;unchanged", "",
             "*|open 3|(i) No Free Com Ports Found: Exit the application and connect first the "
             "USB-RS232 cable. Then try again."},
            {"Close Com Port", "A:Portnumber=4",
             "menuCloseComPort;up_Button;saved B:Portnumber=0;saved A:Portnumber=4", "",
             "*|500.100|*|closed|"},
            {"port failing while open", "", "fail;up_Button;unchanged", "",
             "*|500.100|*|closed|" + lost},
            // The baud-rate dialog: its pre-selection, and what Ok and Cancel apply.
            {"9600, port closed", closed,
             "menu_Baud_Rate;selected 4;BaudRate_Option 0;Ok_Command;gone;line "
             "9600,n,8,1;unchanged;close;saved B:BaudRate=9600",
             "", "*|closed|"},
            {"unchanged speed: reopened", "B:BaudRate=19200",
             "menu_Baud_Rate;selected 1;Ok_Command;line 19200,n,8,1;opens 1", "", "*"},
            {"57600, port open", "",
             "menu_Baud_Rate;BaudRate_Option 3;Ok_Command;line 57600,n,8,1;opens 1;close;saved "
             "B:BaudRate=57600",
             "", "*"},
            {"model switched meanwhile", "",
             "menu_Baud_Rate;menu_VAKO_ALDER;BaudRate_Option 2;Ok_Command;close;saved "
             "A:BaudRate=38400;saved B:BaudRate=115200",
             "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r", "*"},
            {"nothing usable", "B:BaudRate=4800",
             "menu_Baud_Rate;selected -1;Ok_Command;gone;line ;opens 0", "", "*"},
            {"Cancel", "",
             "menu_Baud_Rate;BaudRate_Option 0;Cancel_Command;gone;line ;close;saved "
             "B:BaudRate=115200",
             "", "*"},
            {"baud-rate reopen failing", "", "refuse;menu_Baud_Rate;Ok_Command;unchanged", "",
             "*|closed|" + lost},
            {"opened again: to the front, as the operator left it", "",
             "menu_Baud_Rate;modeless;BaudRate_Option 1;menu_Baud_Rate;selected 1", "", "*"},
            {"its close control", "", "menu_Baud_Rate;BaudRate_Option 0;dismiss;gone;line ;opens 0",
             "", "*"},
            // Closing the window or Exit saves every entry once, in the one form
            // of a number, and takes the dialog with it, its selection unapplied.
            {"window closed", "bare", "close;has Frequency= 500000;has Keyer_Type= 2;again", "",
             birch},
            {"Exit", "bare", "menu_Exit;has Frequency= 136000;again", "", birch},
            // Station programs on the network port: as the operator's clicks.
            {"remote tuning", "", "remote F 500100 => RPRT 0;close;saved B:Frequency=500100",
             "=F500100\r", "*|500.100|*"},
            {"remote reading", "",
             "remote f => 500000;remote l KEYSPD => 20;remote l RFPOWER => 0.000000", "", "*"},
            {"remote speed and power", "",
             "remote L KEYSPD 25 => RPRT 0;remote L RFPOWER 1 => RPRT 0;close;saved B:Power=3",
             "=S250\r=P3\r", "VAKO BIRCH|500.000|25|2|3|*"},
            {"remote message", "",
             "remote b CQ DE TEST => RPRT 0;holds 10 CQ ST;remote \\stop_morse => RPRT 0",
             "=MCQ DE TEST\r=BT\r=B0\r", "*"},
            {"remote, port closed: nothing changes", "B:Portnumber=0",
             "remote F 500100 => RPRT -6;remote b CQ => RPRT -6", "", "*|500.000|*|closed|"},
            {"Exit, dialog open", "",
             "menu_Baud_Rate;BaudRate_Option 0;menu_Exit;gone;saved B:BaudRate=115200", "", birch},
        });
    }
    void scenario()
    {
        QFETCH(QStringList, row);
        const QString &settings = row[0], &steps = row[1];
        // The port part left out of the pattern: open on Com3, and no box.
        const QString shown =
            row[3] + (row[3].contains("open ") || row[3].contains("closed") ? "" : "|open 3|");
        f->fake.presentPorts = {3, 4, 5, 7};
        QVERIFY(settings == "none" || putFile(f->path(), file(settings)));
        const QStringList all = steps.split(';', Qt::SkipEmptyParts);
        const qsizetype started = all.indexOf("start"); // steps up to it come before the start-up
        for (const QString &s : all.mid(0, started + 1))
            step(s);
        if (started < 0)
            step("start");
        if (started + 1 < all.size())
            f->fake.wire.clear();
        for (const QString &s : all.mid(started + 1))
            step(s);
        QCoreApplication::processEvents(); // a lost port is told after the handler
        QCOMPARE(f->fake.wire, row[2].toLatin1());
        QVERIFY2(
            QRegularExpression::fromWildcard(shown, Qt::CaseSensitive).match(look()).hasMatch(),
            qPrintable(look()));
        QVERIFY(!all.isEmpty() || settings == "none" ||
                f->saved() == file(settings)); // never written
    }

    // The window as created: options, check marks, captions that fit.
    void created()
    {
        main_Form &form = f->make();
        QCOMPARE(
            look(),
            "VAKO BIRCH Transmitter|500.000|20|2|0|01|0000|closed, status NIL, close entry on|");
        for (QAction *a : form.findChildren<QAction *>())
            QVERIFY2(a->isEnabled() && a->shortcut().isEmpty() && !a->text().contains(u'&'),
                     qPrintable(a->objectName()));
        step("menu_Keyer 1"); // a click alone never moves a check mark
        QVERIFY(!f->get<QAction>("menu_Keyer", 1)->isChecked() &&
                f->get<QAction>("menu_VAKO_BIRCH")->isChecked());
        for (QWidget *c : form.centralWidget()->findChildren<QWidget *>()) {
            auto *label = qobject_cast<QLabel *>(c);
            auto *button = qobject_cast<QPushButton *>(c);
            const QString caption = label ? label->text() : button ? button->text() : QString();
            const int ink = c->fontMetrics().boundingRect(caption).right() + 1;
            QVERIFY2(ink <= c->width() - (button ? 4 : 0), qPrintable(c->objectName()));
        }
        const QFontMetrics big = f->get<QLabel>("Frequency_display")->fontMetrics();
        QVERIFY(big.boundingRect("888.888").right() < f->get<QLabel>("Frequency_display")->width());
        QVERIFY(big.boundingRect("50.5").width() <= f->get<QLabel>("CW_speed_display")->width());
        step("menu_Baud_Rate"); // and every option's indicator is drawn whole in its box
        for (QRadioButton *option : f->array<QRadioButton>("Step_Option") +
                                        f->array<QRadioButton>("Power_Option") +
                                        f->array<QRadioButton>("BaudRate_Option")) {
            QStyleOptionButton look;
            look.initFrom(option);
            const QRect drawn =
                option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &look, option);
            QVERIFY2(option->rect().contains(drawn),
                     qPrintable(option->objectName() + option->property("Index").toString()));
        }
    }

    // The tab order starts in the message box, which Tab leaves. An option
    // group is one tab stop, on its selected option; the arrows move the
    // selection, and send it, up to the group's ends; Space adds nothing.
    // The title bar's sizes at once; the application switcher's after the
    // first paint, so that decoding them does not hold the window back.
    void iconSizes()
    {
        QWidget window;
        installPanelIcon(&window);
        const auto largest = [] {
            const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
            return std::accumulate(sizes.begin(), sizes.end(), 0,
                                   [](int m, QSize s) { return std::max(m, s.width()); });
        };
        QCOMPARE(largest(), 64);
        window.show();
        QTRY_COMPARE(largest(), 256);
    }
    void optionGroupsByKeyboard()
    {
        f->fake.presentPorts = {3};
        QVERIFY(putFile(f->path(), file("")));
        f->start();
        f->form->show();
        QVERIFY(QTest::qWaitForWindowActive(f->form.get()));
        f->message()->setFocus();
        QStringList chain;
        for (int i = 0; i < 9; ++i) {
            if (i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            chain << QApplication::focusWidget()->objectName() +
                         QApplication::focusWidget()->property("Index").toString();
        }
        QCOMPARE(chain.join(' '), "Message_Text Send_button Stop_button up_Button down_Button "
                                  "Step_Option2 CW_speed_up CW_speed_down Power_Option0");
        for (const auto key : {Qt::Key_Up, Qt::Key_Space, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left,
                               Qt::Key_Down, Qt::Key_Down, Qt::Key_Down})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(f->fake.wire, "=P1\r=P0\r=P1\r=P0\r");
        step("menu_Baud_Rate");
        QWidget *dialog = f->baudRateForm();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        for (const auto key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Up})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(QApplication::focusWidget()->objectName() +
                     QApplication::focusWidget()->property("Index").toString(),
                 "BaudRate_Option3");
        step("selected 3");
    }

    // A screen reader hears each option by its label, what each Up and Down
    // steps, and each new value of the displays.
    void screenReader()
    {
        f->start(file(""));
        step("menu_Baud_Rate");
        step("up_Button");
        step("CW_speed_down");
        QStringList spoken;
        for (QWidget *o : f->array<QWidget>("Step_Option") + f->array<QWidget>("Power_Option") +
                              f->array<QWidget>("BaudRate_Option") +
                              f->array<QWidget>("up_Button") + f->array<QWidget>("CW_speed_down") +
                              f->array<QWidget>("Frequency_display") +
                              f->array<QWidget>("CW_speed_display"))
            spoken << QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name) +
                          QAccessible::queryAccessibleInterface(o)->text(QAccessible::Description);
        QCOMPARE(spoken.join(','),
                 "1 Hz,10 Hz,100 Hz,1 kHz,MIN,LOW,HIGH,MAX,9600,19200,38400,57600,115200,"
                 "UpRaises the transmit frequency by the chosen step,DownLowers the keying speed,"
                 "Transmit frequency in kHz: 500.100Transmit frequency in kHz,"
                 "Keying speed in words per minute: 19Keying speed in words per minute");
    }

    // What the boxes show is never read as markup, whoever wrote it, and a
    // box always fits the screen with its button in reach.
    void boxesArePlainTextAndFit_data()
    {
        rows({{"a short reply, as it came", "<b>VAKO</b> 2.0 &amp; \r\nline2\r"},
              {"64 KiB on one line", QString(64 * 1024, u'#')},
              {"64 KiB of lines", QString("VAKO BIRCH 1.0\n").repeated(4096)}});
    }
    void boxesArePlainTextAndFit()
    {
        QFETCH(QStringList, row);
        const QString reply = row[0];
        const auto box = QtDialogs().messageBox(MessageBoxRequest{reply});
        const auto *label = box->findChild<QLabel *>("qt_msgbox_label");
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(box->detailedText().isEmpty() ? label->text() : box->detailedText(), reply);
        QVERIFY(box->screen()->availableGeometry().size().boundedTo(box->sizeHint()) ==
                box->sizeHint());
        QCOMPARE(label->text().contains("more characters"), reply.size() > 1000); // the cut is told
    }

    // The file dialogs name the two types as the panel does, and "All files"
    // takes a file without a dot in its name too.
    void fileDialogTypes()
    {
        for (const bool save : {false, true}) {
            const auto dialog = QtDialogs().fileDialog("", MessageFileMenu::kFilter, "", save);
            const auto *types = dialog->findChild<QComboBox *>("fileTypeCombo");
            QCOMPARE(types->itemText(0) + ' ' + types->itemText(1),
                     "Message(*.txt) All files(*.*)");
            const QString all = dialog->nameFilters().last().section('(', -1).chopped(1);
            const QStringList files = QDir(VAKO_PROGRAM_DIR, all).entryList(QDir::Files);
            QVERIFY(files.contains("vako-panel") && files.contains("guide.html"));
        }
    }

    void openThenSave_data()
    {
        QByteArray upper(128, '\0');
        std::iota(upper.begin(), upper.end(), char(0x80));
        const QByteArray start = "CQ DE VAKO K", lines = "CQ\r\nDE VAKO\r\n\r\nK";
        rows<FileRow>({
            // file opened (empty: cancelled), its bytes, the bytes saved
            {"CR LF kept, no line end added", {"m.txt", lines, lines}},
            {"LF kept",
             {"m.txt", QByteArray(lines).replace("\r\n", "\n"),
              QByteArray(lines).replace("\r\n", "\n")}},
            {"CR kept",
             {"m.txt", QByteArray(lines).replace("\r\n", "\r"),
              QByteArray(lines).replace("\r\n", "\r")}},
            {"typed lines: CR LF", {"typed", QByteArray(), "CQ\r\nDE"}},
            {"Windows-1252", {"m.txt", upper, upper}},
            {"empty file leaves the text", {"m.txt", "", start}},
            {"missing file", {"gone.txt", QByteArray(), start}},
            {"cancelled", {"", QByteArray(), start}},
            {"10 MiB opens at once, its first 64 KiB whole",
             {"m.txt", QByteArray("0123456789").repeated(1 << 20),
              QByteArray("0123456789").repeated(1 << 20).left(64 * 1024)}},
#ifdef Q_OS_UNIX // no regular file: skipped at once, nothing waits for a writer or a device
            {"a pipe", {"pipe", QByteArray(), start}},
            {"a device", {"/dev/zero", QByteArray(), start}},
#endif
        });
    }
    void openThenSave()
    {
        QFETCH(FileRow, row);
        const auto &[name, bytes, saved] = row;
        f->start();
        const QString path = name.startsWith('/') || name.isEmpty() ? name : f->dir.filePath(name);
        if (name == "typed")
            f->message()->setPlainText("CQ\nDE");
        QVERIFY(bytes.isNull() || putFile(path, bytes));
#ifdef Q_OS_UNIX
        QVERIFY(name != "pipe" || ::mkfifo(qPrintable(path), 0600) == 0);
#endif
        const QString out = f->dir.filePath("out.txt");
        f->dialogs.fileAnswers = {path, out};
        QElapsedTimer clock;
        clock.start();
        step("menuOpen_message");
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(f->message()->textCursor().position(),
                 f->message()->toPlainText().size()); // ready to type on at the end
        step("menu_Save_Message");
        QCOMPARE(fileBytes(out), saved);
        step("menuOpen_message"); // starts at the name saved
        QCOMPARE(f->dialogs.fileDialogs.join(' '),
                 "Open Message File| Save Message File| Open Message File|" + out);
        QCOMPARE(look().section('|', -1), "");
    }

    void saveOverExisting_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("box"); // after "File Exists!"; %1 the path
        QTest::addColumn<QByteArray>("after");
        const QString notSaved = "(!) The message could not be saved:\n%1";
        QTest::newRow("Yes replaces") << "yes"
                                      << "" << QByteArray(150, 'W');
        QTest::newRow("No, then cancel") << "no"
                                         << "" << QByteArray("OLD");
        QTest::newRow("read-only file")
            << "read-only"
            << "File in use: The file is not available. It may be used by another application"
            << QByteArray("OLD");
        QTest::newRow("folder vanishes while asking") << "vanish" << notSaved << QByteArray();
#ifdef Q_OS_UNIX
        QTest::newRow("full disk") << "full" << notSaved << QByteArray("OLD");
#endif
    }
    void saveOverExisting()
    {
        QFETCH(QString, kind);
        QFETCH(QString, box);
        QFETCH(QByteArray, after);
        f->make();
        const QString folder = f->dir.filePath("station"), target = folder + "/message.txt";
        QVERIFY(QDir().mkdir(folder) && putFile(target, "OLD"));
        f->message()->setPlainText(QString(150, u'W'));
        f->dialogs.answers = {kind == "no" ? Dialogs::Answer::No : Dialogs::Answer::Yes};
        if (kind == "read-only")
            QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner));
        if (kind == "vanish") // a USB stick pulled out while the operator reads the question
            f->dialogs.onBox = [folder](auto &) { QDir(folder).removeRecursively(); };
#ifdef Q_OS_UNIX // every write past 16 bytes fails as on a full disk, for administrators too
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit small{kind == "full" ? rlim_t(16) : saved.rlim_cur, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
#endif
        f->dialogs.fileAnswers = {target}; // a dialog opened again is cancelled
        step("menu_Save_Message");
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &saved);
#endif
        QCOMPARE(look().section('|', -1),
                 "File Exists!: File Already Exists!\n\nDo you want replace it?" +
                     (box.isEmpty()
                          ? ""
                          : ";" + QString(box).replace("%1", QDir::toNativeSeparators(target))));
        QCOMPARE(f->dialogs.boxes[0].buttons, MessageBoxRequest::Buttons::YesNo);
        QCOMPARE(f->dialogs.fileDialogs.size(), kind == "no" ? 2 : 1); // No asks for another name
        QCOMPARE(fileBytes(target), after); // and no half-written file is left behind:
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 after.isEmpty() ? QStringList() : QStringList{"message.txt"});
    }

    void guideAndAbout()
    {
        FakeDialogs &dialogs = f->dialogs;
        QCOMPARE(Help(dialogs, "/").guidePath(), "/guide.html"); // a root folder: one separator
        QCOMPARE(Help(dialogs, "C:\\").guidePath(), "C:\\guide.html");
        const QString path = f->dir.filePath("guide.html");
        Help help(dialogs, f->dir.path());
        help.menu_Guide_Click();
        QVERIFY(putFile(path, "<html/>"));
        help.menu_Guide_Click();
        dialogs.documentOpens = false; // no viewer for HTML
        help.menu_Guide_Click();
        dialogs.documentOpens = true;
        f->programFolder = VAKO_PROGRAM_DIR; // the build puts the guide beside the program
        f->make();
        step("menu_Guide");
        QCOMPARE(dialogs.opened, QStringList({path, path, VAKO_PROGRAM_DIR "/guide.html"}));
        const QString notFound = "(!) Guide: File not found!\n\n" + QDir::toNativeSeparators(path);
        QCOMPARE(look().section('|', -1), notFound + ";" + notFound);
        dialogs.boxes.clear();
        step("menu_About");
        const QStringList about = dialogs.boxes.value(0).text.split('\n');
        QCOMPARE(dialogs.boxes.value(0).title, "About");
        QCOMPARE(about.mid(0, 3),
                 QStringList({"VAKO Control Panel", "Version " VAKO_PROJECT_VERSION, ""}));
        QCOMPARE(about.size(), 5); // and two lines of credits
    }
};

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
