#include "Help.h"
#include "MessageFileMenu.h"
#include "PanelFixture.h"
#include "QtDialogs.h"
#include "remote/RigProtocol.h"
#include "settings/IniFile.h"

#include <QtWidgets>

#include <map>
#include <numeric>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using FileRow = std::tuple<QString, QByteArray, QString, QByteArray, QString>;

// The main window in this process on the scripted serial line and operator.
class tst_Window : public QObject
{
    Q_OBJECT
    std::unique_ptr<PanelFixture> f;
    qsizetype writesAtStart = 0;
    QByteArray stored, startUpLines;

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
    // One step of the operator or of the world around the window, or a check:
    // "verb [question ->] expected". A control is named by its object name,
    // with the index of a control array ("Power_Option 3", "menuCom 5").
    void step(const QString &s)
    {
        const QString verb = s.section(' ', 0, 0), arg = s.section(' ', 1),
                      question = arg.section(" -> ", 0, 0);
        QPointer<QWidget> dialog = f->baudRateForm();
        const std::map<QString, std::function<void()>> actions{
            {"present",
             [&] {
                 f->fake.presentPorts = {arg.toInt(), arg.section(' ', 1).toInt()};
             }},
            {"busy", [&] { f->fake.busyPorts = {arg.toInt()}; }}, // another program holds it
            {"fail", [&] { f->fake.failPort(); }},                // the adapter is pulled out
            {"receive", [&] { f->fake.receiveBuffer = arg.toLatin1(); }},
            {"text", [&] { f->message()->setPlainText(arg); }},    // the caret at its start
            {"select", [&] { QVERIFY(f->message()->find(arg)); }}, // the text after the caret
            {"type", [&] { QTest::keyClicks(f->message(), arg); }},
            {"paste",
             [&] {
                 QApplication::clipboard()->setText(arg);
                 f->message()->paste();
             }},
            // The window in front: the baud-rate dialog, by its own close control, when open.
            {"close", [&] { (dialog ? dialog.get() : f->form.get())->close(); }},
            {"delete", [&] { QVERIFY(QFile::remove(f->path())); }},
            {"unchanged", [&] { QCOMPARE(f->saved(), stored); }}, // as the start-up left it
            {"has", [&] { QVERIFY(f->saved().split('\n').contains(arg.toLatin1())); }},
        };
        // What each check compares its expected text with.
        const std::map<QString, std::function<QString()>> checks{
            {"started", [&] { return QString(startUpLines); }}, // the start-up's lines
            {"holds", [&] { return f->message()->toPlainText(); }},
            {"drained", [&] { return QString(f->fake.receiveBuffer); }},
            {"dialog", // the baud-rate option selected
             [&] {
                 return dialog
                            ? QString::number(f->get<QButtonGroup>("BaudRate_Option")->checkedId())
                            : "gone";
             }},
            {"menu", // the port entries shown
             [&] {
                 QStringList shown;
                 for (QAction *entry : f->array("menuCom"))
                     shown << (entry->isVisible() ? entry->text() : "");
                 return shown.filter(QRegularExpression(".")).join(' ');
             }},
            {"saved", // an entry of the file, "B:Power=3"
             [&] {
                 const QString key = arg.mid(2).section('=', 0, 0);
                 return arg.left(2) + key + '=' +
                        IniDocument::load(f->path()).value(section(arg), key).value_or("none");
             }},
            // The line settings given to the serial line since the start-up.
            {"line", [&] { return f->fake.settingsWrites.mid(writesAtStart).join(' '); }},
            // The ports opened, the start-up's probes included: 4 with Com3, 4, 5, 7 free.
            {"opens", [&] { return QString::number(f->fake.openCount); }},
            {"remote", // a station program's line and the panel's answer
             [&] {
                 RigConversation program(f->form->remoteControl());
                 return QString(program.take(question.toLatin1() + '\n')).trimmed();
             }},
        };
        if (verb == "start") {
            f->start(QByteArray(), true);
            startUpLines = std::exchange(f->fake.wire, {});
            writesAtStart = f->fake.settingsWrites.size();
        } else if (actions.count(verb))
            actions.at(verb)();
        else if (checks.count(verb))
            QCOMPARE(checks.at(verb)(), arg.section(" -> ", -1));
        else if (auto *button = f->get<QAbstractButton>(verb, arg.toInt()))
            button->click();
        else if (auto *action = f->get<QAction>(verb, arg.toInt()))
            action->trigger();
        else
            QFAIL(qPrintable("no control for the step " + s));
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
    // end (a pattern, * for anything; without a port part: open on Com3, no box).
    void scenario_data()
    {
        const QString birch = " => VAKO BIRCH|500.000|20|2|0|01|0010|open 3|",
                      lost = "The Com Port is not available",
                      senders = "up_Button;CW_speed_down;Power_Option 3;menu_Keyer 3;Send_button;"
                                "Stop_button;menuShow_VAKO_Software_Version;close;saved B:Power=3",
                      toAlder = "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r",
                      full = QString(198, u'E') + "SK"; // a message of 200 characters
        arrowRows({
            "first run => none =>  =>  => VAKO BIRCH|500.000|*|closed|",
            "BIRCH on port 3 =>  =>  => =F500000\r=S200\r=P0\r=K2\r" + birch,
            "ALDER, keyer mode 0: the refresh's lines, then the start-up's => V:Model=ALDER "
            "V:Keyer_Type=0 =>  => =F136000\r=P1\r=S100\r=F136000\r=S100\r=P1\r=K0\r => "
            "VAKO ALDER|136.000|10|1|1|10|1000",
            "model in lower case => V:Model=birch =>  =>  => "
            "VAKO birch|*|01|0010|closed|Invalid VAKO Model;Unknown VAKO Model",
            "stored port busy: kept for the next start =>  => busy 3;start;unchanged;close;"
            "saved B:Portnumber=3 =>  => VAKO BIRCH|*|closed|",
            "indexes no command carries; Up with no step => B:Power=9 B:Step=4 V:Keyer_Type=4 "
            "=> started =F500000\r=S200\r;up_Button =>  => "
            "*|500.000|20|-1|-1|01|0000|open 3|Invalid Step",
            "values that spell no number: not sent, not stepped => B:Frequency=abc B:CW_speed= "
            "V:Keyer_Type=x => started =P0\r;up_Button;CW_speed_up =>  => VAKO BIRCH|||2|0|01|0000",
            "frequency beyond the field: not sent, stepped into it => B:Frequency=1000000 "
            "B:Step=0 => started =S200\r=P0\r=K2\r;down_Button => =F999999\r => *|999.999|*",
            // Up and Down in steps of 1 Hz..1 kHz, and the speed's grid.
            "steps of 1 kHz, 10 Hz, 1 Hz; choosing one sends and saves nothing => "
            "B:Frequency=100000 B:Step=3 => down_Button;Step_Option 1;down_Button;Step_Option 0;"
            "unchanged;up_Button;close;saved B:Step=0;saved B:Frequency=98991 => "
            "=F 99000\r=F 98990\r=F 98991\r => *|98.991|20|0|*",
            "past the top => B:Frequency=999500 B:Step=3 => up_Button =>  => *|999.500|*",
            "below zero => B:Frequency=500 B:Step=3 => down_Button =>  => *|0.500|*",
            "speed about 1 wpm: tenths below, whole steps from it => B:CW_speed=9 => "
            "CW_speed_up;CW_speed_up;CW_speed_down;CW_speed_down;CW_speed_down;close;"
            "saved B:CW_speed=8 => =S 10\r=S 20\r=S 10\r=S 9\r=S 8\r => *.000|0.8|*",
            "up to 50, no further => B:CW_speed=490 => CW_speed_up;CW_speed_up => =S500\r => "
            "*.000|50|*",
            "off the grid: up to 50.5, no further => B:CW_speed=495 => CW_speed_up;CW_speed_up "
            "=> =S505\r => *.000|50.5|*",
            "off the grid: down to 0.1, no further => B:CW_speed=11 => "
            "CW_speed_down;CW_speed_down => =S 1\r => *.000|0.1|*",
            // Every sender in turn: the values are kept either way, the lines go
            // out only on an open port, and each sender has its closed-port text.
            "senders, port open =>  => " + senders +
                " => =F500100\r=S190\r=P3\r=K 3\r=MCQ DE VAKO K\r=BT\r=B0\r?I\r => "
                "VAKO BIRCH|500.100|19|2|3|01|0001",
            "senders, port closed => A:Portnumber=0 B:Portnumber=0 => " + senders +
                ";saved B:Frequency=500100;saved B:CW_speed=190 =>  => "
                "VAKO BIRCH|500.100|19|2|3|01|0010|closed|Com port is closed;Com port is Closed;"
                "Com port is Closed;VAKO Transmitter Information: Comp Port is Closed",
            "message lines joined by blanks; a late reply discarded =>  => text ;Send_button;"
            "text TEST\n=P3;receive #I:LATE;Send_button;drained;text A\n\nB;Send_button => "
            "=M\r=BT\r=MTEST =P3\r=BT\r=MA  B\r=BT\r" +
                birch,
            // What is typed or pasted stops at 200 characters; nothing already there goes.
            "typing up to 200 =>  => text " + full.mid(2) + ";type QQQ;holds QQ" + full.mid(2) +
                ";Send_button => =MQQ" + full.mid(2) + "\r=BT\r" + birch,
            "a selection makes room, a paste is cut to it =>  => text " + full +
                ";select EEEEE;type QQQQQQ;select EEEEEEEEEE;paste 0123456789AB;holds QQQQQ"
                "0123456789" +
                full.mid(15) + " => " + birch,
            // The model switch: its own lines, then the refresh's; saved at once.
            "each model keeps its frequency; the same one again: all sent again => V:Model=ALDER "
            "=> up_Button;menu_VAKO_BIRCH;delete;menu_VAKO_ALDER;saved V:Model=ALDER;"
            "saved A:Frequency=136010;saved B:Frequency=500000;menu_VAKO_ALDER => "
            "=F136010\r=F500000\r=S200\r=P 0\r=F500000\r=P0\r=S200\r=F136010\r=S100\r=P 1\r"
            "=F136010\r=P1\r=S100\r=F136010\r=S100\r=P 1\r => VAKO ALDER|136.010|10|1|1|10|0010",
            "switch, port fails => A:Portnumber=7 => busy 7;menu_VAKO_ALDER;saved A:Portnumber=0;"
            "saved B:Portnumber=3 =>  => VAKO ALDER|136.000|10|1|1|10|0010|closed|" +
                lost,
            "switch ends an unknown model => V:Model=birch => menu_VAKO_ALDER => " + toAlder +
                " => VAKO ALDER|136.000|10|1|1|10|0010|open 3|Invalid VAKO Model;"
                "Unknown VAKO Model",
            // The Com menu: the probe, and choosing, closing and losing a port.
            "probe: none free =>  => present;start;menu No Free Com Ports Found ? =>  => "
            "*|closed|",
            "probe: busy hidden =>  => present 3 100;busy 3;start;menu Com100 =>  => *|closed|",
            "four probes, the stored port kept open; Com5, then Com5 again: reopened, saved at "
            "once => A:Portnumber=4 => opens 4;menu Com3 Com4 Com5 Com7;menuCom 5;"
            "saved A:Portnumber=4;delete;menuCom 5;saved B:Portnumber=5;opens 6 =>  => *|open 5|",
            "a port taken meanwhile =>  => busy 7;menuCom 7;saved B:Portnumber=0 =>  => "
            "*|closed|" +
                lost,
            "the placeholder =>  => menuCom 0;unchanged =>  => *|open 3|(i) No Free Com Ports "
            "Found: Exit the application and connect first the USB-RS232 cable. Then try again.",
            "Close Com Port =>  => menuCloseComPort;up_Button;saved B:Portnumber=0 =>  => "
            "*|500.100|*|closed|",
            "port failing while open =>  => fail;up_Button;unchanged =>  => *|500.100|*|closed|" +
                lost,
            // The baud-rate dialog: its pre-selection, and what Ok and Cancel apply.
            "9600, port closed => A:Portnumber=0 B:Portnumber=0 => menu_Baud_Rate;dialog 4;"
            "BaudRate_Option 0;Ok_Command;dialog gone;line 9600,n,8,1;unchanged;close;"
            "saved B:BaudRate=9600 =>  => *|closed|",
            "57600, port open; opened again as left; the same speed: reopened =>  => "
            "menu_Baud_Rate;BaudRate_Option 3;menu_Baud_Rate;dialog 3;Ok_Command;"
            "line 57600,n,8,1;opens 5;menu_Baud_Rate;dialog 3;Ok_Command;"
            "line 57600,n,8,1 57600,n,8,1;opens 6;close;saved B:BaudRate=57600 =>  => *",
            "model switched meanwhile =>  => menu_Baud_Rate;menu_VAKO_ALDER;BaudRate_Option 2;"
            "Ok_Command;close;saved A:BaudRate=38400;saved B:BaudRate=115200 => " +
                toAlder + " => *",
            "no usable speed: the port closed, nothing applied => B:BaudRate=-5 => "
            "menu_Baud_Rate;dialog -1;Ok_Command;dialog gone;line ;opens 4 =>  => *|closed|",
            "Cancel and the close control apply nothing =>  => menu_Baud_Rate;BaudRate_Option 0;"
            "Cancel_Command;dialog gone;menu_Baud_Rate;BaudRate_Option 0;close;dialog gone;"
            "line ;opens 4;close;saved B:BaudRate=115200 =>  => *",
            "baud-rate reopen failing =>  => busy 3;menu_Baud_Rate;Ok_Command;unchanged =>  => "
            "*|closed|" +
                lost,
            // Exit saves every entry, in the one form of a number, once (a second
            // close writes nothing), and takes the dialog with it, unapplied.
            "Exit, the dialog open => bare => menu_Baud_Rate;BaudRate_Option 0;menu_Exit;"
            "dialog gone;has Frequency= 136000;has Keyer_Type= 2;saved B:BaudRate=115200;delete;"
            "close;saved V:Model=none => " +
                birch,
            // Station programs on the network port: as the operator's clicks.
            "remote =>  => remote f -> 500000;remote l KEYSPD -> 20;remote l RFPOWER -> 0.000000;"
            "remote F 500100 -> RPRT 0;remote L KEYSPD 25 -> RPRT 0;remote L RFPOWER 1 -> RPRT 0;"
            "remote b CQ DE TEST -> RPRT 0;holds CQ DE TEST;remote \\stop_morse -> RPRT 0;close;"
            "saved B:Frequency=500100;saved B:Power=3 => =F500100\r=S250\r=P3\r=MCQ DE TEST\r"
            "=BT\r=B0\r => VAKO BIRCH|500.100|25|2|3|*",
            "remote, port closed: nothing changes => B:Portnumber=0 => remote F 500100 -> RPRT -6;"
            "remote b CQ -> RPRT -6 =>  => *|500.000|*|closed|",
        });
    }
    void scenario()
    {
        QFETCH(QStringList, row); // settings, steps, lines, look
        f->fake.presentPorts = {3, 4, 5, 7};
        stored = file(row[0]);
        QVERIFY(row[0] == "none" || putFile(f->path(), stored));
        QStringList steps = row[1].split(';', Qt::SkipEmptyParts);
        if (!steps.contains("start")) // steps before it come before the start-up
            steps.prepend("start");
        for (const QString &s : steps)
            step(s);
        QCoreApplication::processEvents(); // a lost port is told after the handler
        QCOMPARE(steps.size() == 1 ? startUpLines : f->fake.wire, row[2].toLatin1());
        const QString shown =
            row[3] + (row[3].contains(QRegularExpression("open |closed")) ? "" : "|open 3|");
        QVERIFY2(
            QRegularExpression::fromWildcard(shown, Qt::CaseSensitive).match(look()).hasMatch(),
            qPrintable(look()));
        QVERIFY(steps.size() > 1 || row[0] == "none" || f->saved() == stored); // not written
    }

    // The window as created: menu entries, captions that fit; the baud-rate
    // dialog modeless and owned by no window, so the main window stays usable,
    // and every option's indicator drawn whole in its box.
    void created()
    {
        main_Form &form = f->make();
        for (QAction *a : form.findChildren<QAction *>())
            QVERIFY2(a->isEnabled() && a->shortcut().isEmpty() && !a->text().contains(u'&'),
                     qPrintable(a->objectName()));
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
        step("menu_Baud_Rate");
        QVERIFY(!f->baudRateForm()->isModal() && !f->baudRateForm()->parent());
        for (const char *name : {"Step_Option", "Power_Option", "BaudRate_Option"}) {
            for (QRadioButton *option : f->array<QRadioButton>(name)) {
                QStyleOptionButton look;
                look.initFrom(option);
                const QRect drawn =
                    option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &look, option);
                QVERIFY2(option->rect().contains(drawn),
                         qPrintable(name + option->property("Index").toString()));
            }
        }
    }

    // The title bar's sizes at once; the application switcher's after the
    // first paint, so that decoding them does not hold the window back.
    void iconSizes()
    {
        QWidget window;
        installPanelIcon(&window);
        const auto largest = [] { return QApplication::windowIcon().actualSize({512, 512}); };
        QCOMPARE(largest(), QSize(64, 64));
        window.show();
        QTRY_COMPARE(largest(), QSize(256, 256));
    }

    // The tab order starts in the message box, which Tab leaves. An option
    // group is one tab stop, on its selected option; the arrows move the
    // selection, and send it, up to the group's ends; Space adds nothing.
    void optionGroupsByKeyboard()
    {
        f->fake.presentPorts = {3};
        f->start(file(""));
        f->form->show();
        QVERIFY(QTest::qWaitForWindowActive(f->form.get()));
        const auto focus = [] {
            QWidget *w = QApplication::focusWidget();
            return w->objectName() + w->property("Index").toString();
        };
        f->message()->setFocus();
        QStringList chain{focus()};
        while (chain.size() < 9) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            chain << focus();
        }
        QCOMPARE(chain.join(' '), "Message_Text Send_button Stop_button up_Button down_Button "
                                  "Step_Option2 CW_speed_up CW_speed_down Power_Option0");
        for (const auto key : {Qt::Key_Up, Qt::Key_Space, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left,
                               Qt::Key_Down, Qt::Key_Down, Qt::Key_Down})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(f->fake.wire, "=P1\r=P0\r=P1\r=P0\r");
        step("menu_Baud_Rate");
        f->baudRateForm()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f->baudRateForm()));
        for (const auto key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Up})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(focus(), "BaudRate_Option3");
        step("dialog 3");
    }

    // A screen reader hears each option by its label, what each Up and Down
    // steps, and each new value of the displays.
    void screenReader()
    {
        f->start(file(""));
        for (const char *s : {"menu_Baud_Rate", "up_Button", "CW_speed_down"})
            step(s);
        QStringList spoken;
        for (const char *name : {"Step_Option", "Power_Option", "BaudRate_Option", "up_Button",
                                 "CW_speed_down", "Frequency_display", "CW_speed_display"}) {
            for (QWidget *o : f->array<QWidget>(name)) {
                const QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(o);
                spoken << heard->text(QAccessible::Name) + heard->text(QAccessible::Description);
            }
        }
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
        QVERIFY(putFile(f->dir.filePath("m.txt"), "") && putFile(f->dir.filePath("message"), ""));
        for (const bool save : {false, true}) {
            const auto dialog = QtDialogs().fileDialog("", MessageFileMenu::kFilter, "", save);
            const auto *types = dialog->findChild<QComboBox *>("fileTypeCombo");
            QCOMPARE(types->itemText(0) + ' ' + types->itemText(1),
                     "Message(*.txt) All files(*.*)");
            const QString all = dialog->nameFilters().last().section('(', -1).chopped(1);
            QCOMPARE(QDir(f->dir.path(), all).entryList(QDir::Files),
                     QStringList({"m.txt", "message"}));
        }
    }

    // A message file opened, then the message saved as station/out.txt (over
    // an "OLD" file there when the row says how that goes): the bytes saved,
    // the boxes, and the name each file dialog starts at.
    void messageFiles_data()
    {
        QByteArray upper(128, '\0'); // Windows-1252's upper half
        std::iota(upper.begin(), upper.end(), char(0x80));
        const QByteArray start = "CQ DE VAKO K", crlf = "CQ\r\nDE VAKO\r\n\r\nK",
                         lf = QByteArray(crlf).replace("\r\n", "\n") + upper,
                         cr = QByteArray(crlf).replace("\r\n", "\r"),
                         big = QByteArray("0123456789").repeated(1 << 20);
        const QString asked = "File Exists!: File Already Exists!\n\nDo you want replace it?",
                      notSaved = asked + ";(!) The message could not be saved:\n%1"; // the path
        rows<FileRow>({
            // file opened (empty: cancelled), its bytes; over "OLD"; the file saved; the boxes
            {"CR LF kept, no line end added", {"m.txt", crlf, "", crlf, ""}},
            {"LF kept, Windows-1252 whole", {"m.txt", lf, "", lf, ""}},
            {"CR kept", {"m.txt", cr, "", cr, ""}},
            {"typed lines: CR LF", {"typed", {}, "", "CQ\r\nDE", ""}},
            {"empty file leaves the text", {"m.txt", "", "", start, ""}},
            {"missing file", {"gone.txt", {}, "", start, ""}},
            {"cancelled", {"", {}, "", start, ""}},
            {"10 MiB opens at once, its first 64 KiB whole",
             {"m.txt", big, "", big.left(1 << 16), ""}},
#ifdef Q_OS_UNIX // no regular file: skipped at once, nothing waits for a writer or a device
            {"a pipe", {"pipe", {}, "", start, ""}},
            {"a device", {"/dev/zero", {}, "", start, ""}},
            {"full disk", {"", {}, "full", "OLD", notSaved}},
#endif
            {"Yes replaces", {"", {}, "yes", start, asked}},
            {"No, then cancel", {"", {}, "no", "OLD", asked}},
            {"read-only file",
             {"",
              {},
              "read-only",
              "OLD",
              asked + ";File in use: The file is not available. It may be used by another "
                      "application"}},
            {"folder vanishes while asking", {"", {}, "vanish", {}, notSaved}},
        });
    }
    void messageFiles()
    {
        QFETCH(FileRow, row);
        const auto &[name, bytes, over, saved, boxes] = row;
        f->start();
        const QString path = name.startsWith('/') || name.isEmpty() ? name : f->dir.filePath(name),
                      folder = f->dir.filePath("station"), out = folder + "/out.txt";
        QVERIFY(QDir().mkdir(folder) && (over.isEmpty() || putFile(out, "OLD")));
        if (name == "typed")
            f->message()->setPlainText("CQ\nDE");
        QVERIFY(bytes.isNull() || putFile(path, bytes));
        f->dialogs.fileAnswers = {path, out}; // a dialog opened again is cancelled
        f->dialogs.answers = {over == "no" ? Dialogs::Answer::No : Dialogs::Answer::Yes};
        if (over == "read-only")
            QVERIFY(QFile::setPermissions(out, QFileDevice::ReadOwner));
        if (over == "vanish") // a USB stick pulled out while the operator reads the question
            f->dialogs.onBox = [folder](auto &) { QDir(folder).removeRecursively(); };
#ifdef Q_OS_UNIX
        QVERIFY(name != "pipe" || ::mkfifo(qPrintable(path), 0600) == 0);
#endif
        QElapsedTimer clock;
        clock.start();
        step("menuOpen_message");
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(f->message()->textCursor().position(),
                 f->message()->toPlainText().size()); // ready to type on at the end
#ifdef Q_OS_UNIX // every write past 4 bytes fails as on a full disk, for administrators too
        rlimit was{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &was), 0);
        const rlimit small{over == "full" ? rlim_t(4) : was.rlim_cur, was.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
#endif
        step("menu_Save_Message");
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &was);
#endif
        QCOMPARE(fileBytes(out), saved); // and no half-written file is left behind:
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 saved.isNull() ? QStringList() : QStringList{"out.txt"});
        QCOMPARE(look().section('|', -1),
                 QString(boxes).replace("%1", QDir::toNativeSeparators(out)));
        step("menuOpen_message"); // at the name saved; No asks for another one
        QCOMPARE(f->dialogs.fileDialogs.join(' '),
                 "Open Message File| Save Message File| " +
                     QString(over == "no" ? "Save Message File| Open Message File|"
                                          : "Open Message File|" + out));
    }

    void guideAndAbout()
    {
        FakeDialogs &dialogs = f->dialogs;
        QCOMPARE(Help(dialogs, "/").guidePath(), "/guide.html"); // a root folder: one separator
        QCOMPARE(Help(dialogs, "C:\\").guidePath(), "C:\\guide.html");
        const QString path = f->dir.filePath("guide.html");
        f->make();
        step("menu_Guide");
        QVERIFY(putFile(path, "<html/>"));
        step("menu_Guide");
        dialogs.documentOpens = false; // no viewer for HTML
        step("menu_Guide");
        dialogs.documentOpens = true;
        f->programFolder = VAKO_PROGRAM_DIR; // the build puts the guide beside the program
        f->make();
        step("menu_Guide");
        step("menu_About");
        QCOMPARE(dialogs.opened, QStringList({path, path, VAKO_PROGRAM_DIR "/guide.html"}));
        const QString notFound = "(!) Guide: File not found!\n\n" + QDir::toNativeSeparators(path);
        QCOMPARE(look().section('|', -1).section(';', 0, 1), notFound + ";" + notFound);
        const QStringList about = dialogs.boxes.value(2).text.split('\n');
        QCOMPARE(dialogs.boxes.value(2).title, "About");
        QCOMPARE(about.mid(0, 3),
                 QStringList({"VAKO Control Panel", "Version " VAKO_PROJECT_VERSION, ""}));
        QCOMPARE(about.size(), 5); // and two lines of credits
    }
};

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
