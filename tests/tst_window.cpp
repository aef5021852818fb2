#include "MessageFileMenu.h"
#include "PanelFixture.h"
#include "QtDialogs.h"
#include "remote/RigConversation.h"
#include "settings/IniFile.h"

#include <QtWidgets>

#include <numeric>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using FileRow = std::tuple<QString, QByteArray, QString, QByteArray, QString>;

// A scenario: the settings it starts from, what the operator and the world around the window do
// in turn, what the transmitter receives and how the window looks at the end.
struct Scenario
{
    QString settings;  // both models on Com3 with these entries ("B:Step=0"); "bare": numbers
                       // without their blank; "none": no file
    QStringList steps; // those before "start" come before the start-up
    QByteArray lines;  // sent after the start-up; with no steps, the start-up's own
    QString window;    // title|frequency|speed|step|power|model marks|keyer marks|port|boxes, *
                       // for anything; without a port: open on Com3, no box
};
Q_DECLARE_METATYPE(Scenario)

// The main window in this process on the scripted serial line and operator.
class tst_Window : public QObject
{
    Q_OBJECT
    std::unique_ptr<PanelFixture> f;
    QByteArray stored, startUpLines;

    // "V:", "A:", "B:": the sections VAKO, ALDER_settings, BIRCH_settings.
    QString section(QChar m)
    {
        return m == 'V' ? "VAKO" : m == 'A' ? "ALDER_settings" : "BIRCH_settings";
    }
    static QString key(const QString &entry) { return entry.mid(2).section('=', 0, 0); }
    QString id(const char *g) { return QString::number(f->get<QButtonGroup>(g)->checkedId()); }
    // Both models on Com3, entries set ("B:Step=0"); "bare": numbers unblanked; "none": no file.
    QByteArray file(const QString &settings)
    {
        IniDocument ini =
            IniDocument::fromBytes(settingsWith({}).replace("Portnumber= 0", "Portnumber= 3"));
        for (const QString &entry : settings.split(' ').filter(":"))
            ini.setValue(section(entry[0]), key(entry), entry.section('=', 1));
        QByteArray bytes = settings == "none" ? QByteArray() : ini.toBytes();
        return settings == "bare" ? bytes.replace("= ", "=") : bytes;
    }
    // title|frequency|speed|step|power|ALDER,BIRCH marks|keyer marks|port|boxes, a box
    // shown as "(i) " or "(!) " for its icon and "title: " unless the program's.
    QString look()
    {
        QString marks, boxes;
        for (const char *menu : {"menu_VAKO_ALDER", "menu_VAKO_BIRCH", "menu_Keyer"})
            for (QAction *a : f->array(menu))
                marks += QString(a->isChecked() ? "1" : "0") + (marks.size() == 1 ? "|" : "");
        for (const MessageBoxRequest &b : f->dialogs.boxes)
            boxes += ";" + QStringList{"", "(i) ", "(!) "}[int(b.icon)] +
                     (b.title == kApplicationTitle ? "" : b.title + ": ") +
                     QString(b.text).replace(QDir::toNativeSeparators(f->path()), "SETTINGS");
        return QString("%1|%2|%3|%4|%5|%6|%7|%8")
            .arg(f->form->windowTitle(), f->get<QLabel>("Frequency_display")->text(),
                 f->get<QLabel>("CW_speed_display")->text(), id("Step_Option"), id("Power_Option"),
                 marks, f->portState(), boxes.mid(1));
    }
    // One step of the operator or of the world around the window, or a check "verb [question ->]
    // expected"; a control by its object name and array index ("Power_Option 3", "menuCom 5").
    // What a check found when it differs from what it expected, else nothing.
    QString run(const QString &s)
    {
        const QString verb = s.section(' ', 0, 0), arg = s.section(' ', 1);
        const int n = s.section(' ', 1, 1).toInt(),
                  next = s.section(' ', 2, 2).toInt(); // "present 3 100"
        const QString want = arg.section(" -> ", -1).replace("\\n", "\n");
        const QByteArray line = arg.section(" -> ", 0, 0).toUtf8() + '\n'; // to the network port
        QPointer<QWidget> dialog = f->baudRateForm();
        const QMap<QString, std::function<void()>> actions{
            {"present", [&] { f->fake.presentPorts = QSet<qint64>() << n << next; }},
            {"busy", [&] { f->fake.busyPorts = {n}; }}, // another program holds it
            {"fail", [&] { f->fake.failPort(); }},      // the adapter is pulled out
            {"receive", [&] { f->fake.receiveBuffer = arg.toLatin1(); }},
            {"text", [&] { f->message()->setPlainText(want); }}, // the caret at its start
            {"type", [&] { QTest::keyClicks(f->message(), arg); }},
            {"key", // "key Alt+H": one key with its modifiers
             [&] {
                 const QKeyCombination key = QKeySequence(arg)[0];
                 QTest::keyClick(f->message(), key.key(), key.keyboardModifiers());
             }},
            {"paste", [&] { QApplication::clipboard()->setText(arg), f->message()->paste(); }},
            {"wait", [&] { QTest::qWait(n); }}, // ms, the panel's timers running
            {"close", [&] { (dialog ? dialog.get() : f->form.get())->close(); }},       // in front
            {"unplug", [&] { QDir().rename(f->dir.path(), f->dir.path() + "-away"); }}, // the stick
            {"replug", // when asked
             [&] {
                 f->dialogs.onBox = [&](auto &) {
                     QDir().rename(f->dir.path() + "-away", f->dir.path());
                 };
             }},
            {"answer",
             [&] {
                 f->dialogs.answers << (arg == "Yes" ? Dialogs::Answer::Yes : Dialogs::Answer::No);
             }},
        };
        // Each check: what it finds, against `want`.
        const QMap<QString, std::function<QString()>> checks{
            {"select",
             [&] { return f->message()->find(arg) ? want : "not found"; }}, // then typed over
            {"unchanged",
             [&] { return f->saved() == stored ? want : "a changed file"; }}, // as started
            {"has",
             [&] { return f->saved().split('\n').contains(arg.toLatin1()) ? want : "none"; }},
            {"delete", [&] { return QFile::remove(f->path()) ? want : "no file"; }},
            {"started", [&] { return QString(startUpLines); }}, // the start-up's lines
            {"holds", [&] { return f->message()->toPlainText(); }},
            {"drained", [&] { return QString(f->fake.receiveBuffer); }},
            {"dialog", [&] { return dialog ? id("BaudRate_Option") : "gone"; }},
            {"menu", // the port entries shown
             [&] {
                 QStringList shown;
                 for (QAction *entry : f->array("menuCom"))
                     shown << (entry->isVisible() ? entry->text() : "");
                 return shown.filter(QRegularExpression(".")).join(' ');
             }},
            {"saved", // an entry of the file, "B:Power=3"
             [&] {
                 const auto saved = IniDocument::load(f->path()).value(section(arg[0]), key(arg));
                 return arg.section('=', 0, 0) + '=' + saved.value_or("none");
             }},
            {"tip", [&] { return f->get<QAction>("menuCom", n)->toolTip(); }},
            {"line", [&] { return f->fake.settingsWrites.join(' '); }},    // since the start-up
            {"opens", [&] { return QString::number(f->fake.openCount); }}, // probes included
            {"remote", // a station program's line, and the panel's answer
             [&] {
                 return QString(RigConversation(f->form->remoteControl()).take(line)).chopped(1);
             }},
        };
        if (verb == "start") {
            f->start(stored, true);
            startUpLines = std::exchange(f->fake.wire, {});
            f->fake.settingsWrites.clear();
        } else if (actions.contains(verb)) {
            actions[verb]();
        } else if (checks.contains(verb)) {
            const QString got = checks[verb](), expected = verb == "saved" ? arg : want;
            return got == expected ? QString() : "found \"" + got + "\", not \"" + expected + '"';
        } else if (auto *button = f->get<QAbstractButton>(verb, n)) {
            button->click();
        } else if (auto *action = f->get<QAction>(verb, n)) {
            action->trigger();
        } else {
            return "no control of that name";
        }
        return QString();
    }
    void step(const QString &s)
    {
        const QString differs = run(s);
        QVERIFY2(differs.isEmpty(), qPrintable(s + ": " + differs));
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

    void scenario_data()
    {
        // clang-format off
        rows<Scenario>({
        {"first run", {"none", {}, "", "VAKO BIRCH|500.000|*|closed|"}},
        {"BIRCH on port 3", {"", {}, "=F500000\r=S200\r=P0\r=K2\r",
            "VAKO BIRCH|500.000|20|2|0|01|0010"}},
        {"ALDER, keyer mode 0: the refresh's lines, then the start-up's", {"V:Model=ALDER V:Keyer_Type=0", {},
            "=F136000\r=P1\r=S100\r=F136000\r=S100\r=P1\r=K0\r",
            "VAKO ALDER|136.000|10|1|1|10|1000"}},
        {"model in lower case", {"V:Model=birch", {}, "",
            "VAKO birch|*|01|0010|closed|Invalid VAKO Model;Unknown VAKO Model"}},
        {"stored port busy: kept for the next start", {"", {"busy 3", "start", "unchanged", "close",
            "saved B:Portnumber=3"}, "", "VAKO BIRCH|*|closed|"}},
        {"indexes no command carries; Up with no step", {"B:Power=9 B:Step=4 V:Keyer_Type=4", {
            "started =F500000\r=S200\r", "up_Button"}, "",
            "*|500.000|20|-1|-1|01|0000|open 3|Invalid Step"}},
        {"values that spell no number: not sent, not stepped", {"B:Frequency=abc B:CW_speed= V:Keyer_Type=x", {
            "started =P0\r", "up_Button", "CW_speed_up"}, "", "VAKO BIRCH|||2|0|01|0000"}},
        {"frequency beyond the field: not sent, stepped into it", {"B:Frequency=1000000 B:Step=0", {
            "started =S200\r=P0\r=K2\r", "down_Button"}, "=F999999\r", "*|999.999|*"}},
        {"steps of 1 kHz, 10 Hz, 1 Hz; choosing one sends and saves nothing", {"B:Frequency=100000 B:Step=3", {
            "down_Button", "Step_Option 1", "down_Button", "Step_Option 0", "unchanged",
            "up_Button", "close", "saved B:Step=0", "saved B:Frequency=98991"},
            "=F 99000\r=F 98990\r=F 98991\r", "*|98.991|20|0|*"}},
        {"past the top", {"B:Frequency=999500 B:Step=3", {"up_Button"}, "", "*|999.500|*"}},
        {"below zero", {"B:Frequency=500 B:Step=3", {"down_Button"}, "", "*|0.500|*"}},
        {"speed about 1 wpm: tenths below, whole steps from it", {"B:CW_speed=9", {"CW_speed_up",
            "CW_speed_up", "CW_speed_down", "CW_speed_down", "CW_speed_down", "close",
            "saved B:CW_speed=8"}, "=S 10\r=S 20\r=S 10\r=S 9\r=S 8\r", "*.000|0.8|*"}},
        {"up to 50, no further", {"B:CW_speed=490", {"CW_speed_up", "CW_speed_up"}, "=S500\r",
            "*.000|50|*"}},
        {"up to 50.5 off the grid", {"B:CW_speed=495", {"CW_speed_up", "CW_speed_up"}, "=S505\r",
            "*.000|50.5|*"}},
        {"down to 0.1 off the grid", {"B:CW_speed=11", {"CW_speed_down", "CW_speed_down"}, "=S 1\r",
            "*.000|0.1|*"}},
        {"senders, port open", {"", {"up_Button", "CW_speed_down", "Power_Option 3", "menu_Keyer 3",
            "Send_button", "Stop_button", "menuShow_VAKO_Software_Version", "close",
            "saved B:Power=3"}, "=F500100\r=S190\r=P3\r=K 3\r=MCQ DE VAKO K\r=BT\r=B0\r?I\r",
            "VAKO BIRCH|500.100|19|2|3|01|0001"}},
        {"senders, port closed: values kept, no line sent", {"A:Portnumber=0 B:Portnumber=0", {
            "up_Button", "CW_speed_down", "Power_Option 3", "menu_Keyer 3", "Send_button",
            "Stop_button", "menuShow_VAKO_Software_Version", "close", "saved B:Power=3",
            "saved B:Frequency=500100", "saved B:CW_speed=190"}, "",
            "VAKO BIRCH|500.100|19|2|3|01|0010|closed|Com port is closed;Com port is Closed;Com port is Closed;VAKO Transmitter Information: Comp Port is Closed"}},
        {"message lines joined by blanks; a late reply discarded", {"", {"text ", "Send_button",
            "text TEST\\n=P3", "receive #I:LATE", "Send_button", "drained", "text A\\n\\nB",
            "Send_button"}, "=M\r=BT\r=MTEST =P3\r=BT\r=MA  B\r=BT\r",
            "VAKO BIRCH|500.000|20|2|0|01|0010"}},
        {"typing up to 200", {"", {"text %1", "type QQQ", "holds QQ%1", "Send_button"},
            "=MQQ%1\r=BT\r", "VAKO BIRCH|500.000|20|2|0|01|0010"}},
        {"a selection makes room, a paste is cut to it", {"", {"text %2", "select EEEEE",
            "type QQQQQQ", "select EEEEEEEEEE", "paste 0123456789AB", "holds QQQQQ0123456789%3"},
            "", "VAKO BIRCH|500.000|20|2|0|01|0010"}},
        {"Alt with a letter types nothing; AltGr (Ctrl+Alt on Windows) and a plain key do", {"", {
            "key Alt+H", "key Alt+Shift+H", "holds CQ DE VAKO K", "key Ctrl+Alt+H", "key H",
            "holds CQ DE VAKO Khh"}, "", "VAKO BIRCH|500.000|20|2|0|01|0010"}},
        {"a failed save asks to try again: Yes once the stick is back saves, the default No keeps the file", {"", {
            "unplug", "replug", "answer Yes", "menu_VAKO_ALDER", "saved V:Model=ALDER", "unplug",
            "Power_Option 3", "close", "saved A:Power=1"}, "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r=P3\r",
            "VAKO ALDER|136.000|10|1|3|10|0010|open 3|(!) Settings Not Saved: The settings could not be saved "
            "in\nSETTINGS\n*Try again?;(!) Settings Not Saved: *"}},
        {"each model keeps its frequency; the same one again: all sent again", {"V:Model=ALDER", {
            "up_Button", "menu_VAKO_BIRCH", "delete", "menu_VAKO_ALDER", "saved V:Model=ALDER",
            "saved A:Frequency=136010", "saved B:Frequency=500000", "menu_VAKO_ALDER"},
            "=F136010\r=F500000\r=S200\r=P 0\r=F500000\r=P0\r=S200\r=F136010\r=S100\r=P 1\r=F136010\r=P1\r=S100\r=F136010\r=S100\r=P 1\r",
            "VAKO ALDER|136.010|10|1|1|10|0010"}},
        {"switch, port fails", {"A:Portnumber=7", {"busy 7", "menu_VAKO_ALDER",
            "saved A:Portnumber=0", "saved B:Portnumber=3"}, "",
            "VAKO ALDER|136.000|10|1|1|10|0010|closed|The Com Port is not available"}},
        {"switch ends an unknown model", {"V:Model=birch", {"menu_VAKO_ALDER"},
            "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r",
            "VAKO ALDER|136.000|10|1|1|10|0010|open 3|Invalid VAKO Model;Unknown VAKO Model"}},
        {"probe: none free", {"", {"present", "start", "menu No Free Com Ports Found ?"}, "",
            "*|closed|"}},
        {"probe: busy hidden", {"", {"present 3 100", "busy 3", "start", "menu Com100",
            "tip 3 -> /dev/fake3: in use by another program", "tip 4 -> /dev/fake4: not there",
            "tip 100 -> /dev/fake100"}, "",
            "*|closed|"}},
        {"four ports free: four probes, the stored one kept open; Com5 twice: reopened, saved at once", {"A:Portnumber=4", {
            "opens 4", "menu Com3 Com4 Com5 Com7", "menuCom 5", "saved A:Portnumber=4", "delete",
            "menuCom 5", "saved B:Portnumber=5", "opens 6"}, "", "*|open 5|"}},
        {"a port taken meanwhile", {"", {"busy 7", "menuCom 7", "saved B:Portnumber=0",
            "tip 7 -> /dev/fake7: in use by another program"}, "",
            "*|closed|The Com Port is not available"}},
        {"the placeholder", {"", {"menuCom 0", "unchanged"}, "",
            "*|open 3|(i) No Free Com Ports Found: Exit the application and connect first the USB-RS232 cable. Then try again."}},
        {"Close Com Port", {"", {"menuCloseComPort", "up_Button", "saved B:Portnumber=0"}, "",
            "*|500.100|*|closed|"}},
        {"port failing while open", {"", {"fail", "up_Button", "unchanged"}, "",
            "*|500.100|*|closed|The Com Port is not available"}},
        {"9600, port closed", {"A:Portnumber=0 B:Portnumber=0", {"menu_Baud_Rate", "dialog 4",
            "BaudRate_Option 0", "Ok_Command", "dialog gone", "line 9600,n,8,1", "unchanged",
            "close", "saved B:BaudRate=9600"}, "", "*|closed|"}},
        {"57600, port open; shown again as left; the same speed: reopened", {"", {"menu_Baud_Rate",
            "BaudRate_Option 3", "menu_Baud_Rate", "dialog 3", "Ok_Command", "line 57600,n,8,1",
            "opens 5", "menu_Baud_Rate", "dialog 3", "Ok_Command", "line 57600,n,8,1 57600,n,8,1",
            "opens 6", "close", "saved B:BaudRate=57600"}, "", "*"}},
        {"model switched meanwhile", {"", {"menu_Baud_Rate", "menu_VAKO_ALDER", "BaudRate_Option 2",
            "Ok_Command", "close", "saved A:BaudRate=38400", "saved B:BaudRate=115200"},
            "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r", "*"}},
        {"no usable speed: the port closed, nothing applied", {"B:BaudRate=-5", {"menu_Baud_Rate",
            "dialog -1", "Ok_Command", "dialog gone", "line ", "opens 4"}, "", "*|closed|"}},
        {"Cancel and the close control apply nothing", {"", {"menu_Baud_Rate", "BaudRate_Option 0",
            "Cancel_Command", "dialog gone", "menu_Baud_Rate", "BaudRate_Option 0", "close",
            "dialog gone", "line ", "opens 4", "close", "saved B:BaudRate=115200"}, "", "*"}},
        {"baud-rate reopen failing", {"", {"busy 3", "menu_Baud_Rate", "Ok_Command", "unchanged"},
            "", "*|closed|The Com Port is not available"}},
        {"Key= numberExit, the dialog open", {"bare", {"menu_Baud_Rate", "BaudRate_Option 0",
            "menu_Exit", "dialog gone", "has Frequency= 136000", "has Keyer_Type= 2",
            "saved B:BaudRate=115200", "delete", "close", "saved V:Model=none"}, "",
            "VAKO BIRCH|500.000|20|2|0|01|0010"}},
        {"station program on the network port: as the operator's clicks", {"", {
            "remote f -> 500000", "remote l KEYSPD -> 20", "remote l RFPOWER -> 0.000000",
            "remote F 1000000 -> RPRT -1", "remote F 500100 -> RPRT 0", "remote L KEYSPD 25 -> RPRT 0",
            "remote L RFPOWER 1 -> RPRT 0", "remote b CQ DE TEST -> RPRT 0", "holds CQ DE VAKO K",
            "remote \\stop_morse -> RPRT 0", "close", "saved B:Frequency=500100",
            "saved B:Power=3"}, "=F500100\r=S250\r=P3\r=MCQ DE TEST\r=BT\r=B0\r",
            "VAKO BIRCH|500.100|25|2|3|*"}},
        {"station programs' messages wait for the one keyed, the box untouched; Transmit cuts them and ends their wait", {
            "B:CW_speed=500", {"type  MY", "remote b E -> RPRT 0", "remote b T -> RPRT 0", "wait 150",
            "remote b E -> RPRT 0", "remote b T -> RPRT 0", "Send_button", "remote t -> 1",
            "remote \\wait_morse -> RPRT 0", "Stop_button", "wait 150", "holds CQ DE VAKO K MY"},
            "=ME\r=BT\r=MT\r=BT\r=ME\r=BT\r=MCQ DE VAKO K MY\r=BT\r=B0\r", "*"}},
        {"a message the code page lacks characters of is not sent", {"", {"text CQ Жук → DE",
            "Send_button", "remote b CQ Ж -> RPRT -1", "remote b  -> RPRT 0"}, "=B0\r",
            "*|open 3|(!) The message was not sent.\nThese characters cannot be sent in the transmitter's code page (Windows-1252):\nЖ у к →"}},
        {"station program, port closed: nothing changes", {"B:Portnumber=0", {
            "remote F 500100 -> RPRT -6", "remote b CQ -> RPRT -6"}, "", "*|500.000|*|closed|"}},
        });
        // clang-format on
    }
    void scenario()
    {
        QFETCH(Scenario, row);
        f->fake.presentPorts = {3, 4, 5, 7};
        stored = file(row.settings);
        const QString full = QString(198, u'E') + "SK"; // a message of 200 characters
        const auto messages = [&full](QString text) {
            return text.replace("%1", full.mid(2)).replace("%2", full).replace("%3", full.mid(15));
        };
        QStringList steps = row.steps;
        if (!steps.contains("start"))
            steps.prepend("start");
        for (int i = 0; i < steps.size(); ++i) {
            const QString differs = run(messages(steps[i]));
            QVERIFY2(differs.isEmpty(),
                     qPrintable(QString("step %1, %2: %3").arg(i + 1).arg(steps[i], differs)));
        }
        QCoreApplication::processEvents(); // a lost port is told after the handler
        QCOMPARE(row.steps.isEmpty() ? startUpLines : f->fake.wire, messages(row.lines).toLatin1());
        const bool port = row.window.contains(QRegularExpression("open |closed"));
        const auto shown = QRegularExpression::fromWildcard(row.window + (port ? "" : "|open 3|"),
                                                            Qt::CaseSensitive);
        QStringList fields = look().split('|'); // a failing row names what the window shows
        for (const char *name :
             {"title", "frequency", "speed", "step", "power", "models", "keyer", "port", "boxes"})
            fields << name + (": " + fields.takeFirst());
        QVERIFY2(shown.match(look()).hasMatch(),
                 qPrintable("the window shows " + fields.join(", ")));
        QVERIFY(!row.steps.isEmpty() || row.settings == "none" ||
                f->saved() == stored); // not saved
    }

    // Menu entries; whole captions and indicators; the baud-rate dialog owned by no window, so the
    // main window stays usable; the title bar's icon sizes at once, the switcher's after a paint.
    void created()
    {
        main_Form &form = f->make();
        for (QAction *a : form.findChildren<QAction *>())
            QVERIFY2(a->isEnabled() && a->shortcut().isEmpty() && !a->text().contains(u'&'),
                     qPrintable(a->objectName()));
        const QFontMetrics big = f->get<QLabel>("Frequency_display")->fontMetrics();
        QVERIFY(big.boundingRect("888.888").right() < f->get<QLabel>("Frequency_display")->width());
        QVERIFY(big.boundingRect("50.5").width() <= f->get<QLabel>("CW_speed_display")->width());
        step("menu_Baud_Rate");
        QVERIFY(!f->baudRateForm()->isModal() && !f->baudRateForm()->parent());
        for (QWidget *c : form.centralWidget()->findChildren<QWidget *>() +
                              f->baudRateForm()->findChildren<QWidget *>()) {
            QStyleOptionButton look;
            look.initFrom(c);
            const QRect dot = c->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &look, c);
            const QRect ink = c->fontMetrics().boundingRect(c->property("text").toString());
            QVERIFY2(ink.right() < c->width() - (qobject_cast<QPushButton *>(c) ? 4 : 0) &&
                         (!qobject_cast<QRadioButton *>(c) || c->rect().contains(dot)),
                     qPrintable(c->objectName()));
        }
        installPanelIcon(&form);
        const auto largest = [] { return QApplication::windowIcon().actualSize({512, 512}); };
        QCOMPARE(largest(), QSize(64, 64));
        form.show();
        QTRY_COMPARE(largest(), QSize(256, 256));
    }

    // Tab leaves the message box; an option group is one tab stop, on its selection, which arrows
    // move and send up to its ends (Space adds nothing); screen readers hear labels, steps, values.
    void keyboardAndScreenReader()
    {
        f->fake.presentPorts = {3};
        f->start(file(""));
        f->form->show();
        QVERIFY(QTest::qWaitForWindowActive(f->form.get()));
        const auto press = [](const QList<Qt::Key> &keys) { // the focus after each key
            QStringList focus;
            for (Qt::Key key : keys) {
                QTest::keyClick(QApplication::focusWidget(), key);
                QWidget *w = QApplication::focusWidget();
                focus << w->objectName() + w->property("Index").toString();
            }
            return focus.join(' ');
        };
        f->message()->setFocus();
        QCOMPARE(press(QList<Qt::Key>(8, Qt::Key_Tab)),
                 "Send_button Stop_button up_Button down_Button Step_Option2 CW_speed_up "
                 "CW_speed_down Power_Option0");
        press({Qt::Key_Up, Qt::Key_Space, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Down,
               Qt::Key_Down, Qt::Key_Down});
        QCOMPARE(f->fake.wire, "=P1\r=P0\r=P1\r=P0\r");
        step("menu_Baud_Rate");
        f->baudRateForm()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f->baudRateForm()));
        QCOMPARE(press({Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Up}).section(' ', -1),
                 "BaudRate_Option3");
        for (const char *s : {"dialog 3", "up_Button", "CW_speed_down"})
            step(s);
        QStringList spoken; // each option by its caption, the arrows by what they do
        for (QWidget *o : f->array<QWidget>("CW_speed_down") + f->array<QWidget>("Power_Option") +
                              f->array<QWidget>("CW_speed_display")) {
            const QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(o);
            spoken << heard->text(QAccessible::Name) + heard->text(QAccessible::Description);
        }
        QCOMPARE(spoken.join(','), "DownLowers the keying speed,MIN,LOW,HIGH,MAX,"
                                   "Keying speed in words per minute: 19Keying speed in words "
                                   "per minute");
    }

    // A box's text is plain, whoever wrote it; a box fits the screen, its button in reach.
    void boxesArePlainTextAndFit_data()
    {
        rows({{"a short reply, as it came", "<b>VAKO</b> 2.0 &amp; \r\nline2\r"},
              {"64 KiB on one line", QString(64 * 1024, u'#')},
              {"64 KiB of lines", QString("VAKO BIRCH 1.0\n").repeated(4096)}});
    }
    void boxesArePlainTextAndFit()
    {
        QFETCH(QStringList, row);
        const auto box = std::make_unique<PanelMessageBox>(MessageBoxRequest{row[0]}, nullptr);
        const auto *label = box->findChild<QLabel *>("qt_msgbox_label");
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(box->detailedText().isEmpty() ? label->text() : box->detailedText(), row[0]);
        QCOMPARE(box->screen()->availableGeometry().size().boundedTo(box->sizeHint()),
                 box->sizeHint());
        QCOMPARE(label->text().contains("more characters"), row[0].size() > 1000); // cut, and told
    }

    // Two typed lines; a message file opened, then the message saved as station/out.txt (over an
    // "OLD" file when the row says how): the bytes saved, the boxes, where each file dialog starts.
    void messageFiles_data()
    {
        QByteArray upper(128, '\0'); // Windows-1252's upper half
        std::iota(upper.begin(), upper.end(), char(0x80));
        const QByteArray typed = "CQ\r\nDE", crlf = "CQ\r\nDE VAKO\r\n\r\nK",
                         cr = "CQ\rDE VAKO\r\rK", lf = "CQ\nDE VAKO\n\nK" + upper,
                         big = QByteArray("0123456789").repeated(1 << 20);
        const QString asked = "File Exists!: File Already Exists!\n\nDo you want replace it?",
                      notSaved = asked + ";(!) The message could not be saved:\n%1"; // the path
        const QString inUse = asked + ";File in use: The file is not available. It may be used by "
                                      "another application";
        // UTF-8 as Linux editors write it; Notepad puts its byte-order mark in front.
        const QByteArray utf8 = "CQ DE M\xC3\xBCller \xD0\x94\xD0\x95 \xE2\x98\x85\r\nK",
                         marked = "\xEF\xBB\xBF"
                                  "CQ \xC3\xA9";
        rows<FileRow>({
            // file opened (empty: cancelled), its bytes; over "OLD"; the file saved; the boxes
            {"CR LF kept, no line end added", {"m.txt", crlf, "", crlf, ""}},
            {"LF kept, Windows-1252 whole", {"m.txt", lf, "", lf, ""}},
            {"UTF-8: Latin, Cyrillic, a symbol", {"m.txt", utf8, "", utf8, ""}},
            {"UTF-8 with its mark", {"m.txt", marked, "", marked, ""}},
            {"a Windows-1252 file replaced keeps its encoding: Cyrillic refused",
             {"m.txt", utf8, "code page", "OLD\xE9",
              asked +
                  ";(!) The message could not be saved "
                  "in\n%1\nThese characters cannot be stored in its encoding (the 8-bit code page):"
                  "\n\xD0\x94 \xD0\x95 \xE2\x98\x85"}},
            {"CR kept", {"m.txt", cr, "", cr, ""}},
            {"empty file leaves the text, typed lines end in CR LF", {"m.txt", "", "", typed, ""}},
            {"missing file", {"gone.txt", {}, "", typed, ""}},
            {"cancelled", {"", {}, "", typed, ""}},
            {"10 MiB opens at once, its first 64 KiB", {"m.txt", big, "", big.left(1 << 16), ""}},
#ifdef Q_OS_UNIX // no regular file: skipped at once, nothing waits for a writer or a device
            {"a pipe", {"pipe", {}, "", typed, ""}},
            {"a device", {"/dev/zero", {}, "", typed, ""}},
            {"full disk", {"", {}, "full", "OLD", notSaved}},
#endif
#ifdef Q_OS_WIN // held open, its deletion not shared, as an editor holds it
            {"held by another program", {"", {}, "held", "OLD", inUse}},
#endif
            {"Yes replaces", {"", {}, "yes", typed, asked}},
            {"No, then cancel", {"", {}, "no", "OLD", asked}},
            {"read-only file", {"", {}, "read-only", "OLD", inUse}},
            {"folder vanishes while asking", {"", {}, "vanish", {}, notSaved}},
        });
    }
    void messageFiles()
    {
        QFETCH(FileRow, row);
        const auto &[name, bytes, over, saved, boxes] = row;
        f->start();
        f->message()->setPlainText("CQ\nDE");
        const QString path = name.startsWith('/') || name.isEmpty() ? name : f->dir.filePath(name),
                      folder = f->dir.filePath("station"), out = folder + "/out.txt";
        QVERIFY(QDir().mkdir(folder) &&
                (over.isEmpty() || putFile(out, over == "code page" ? "OLD\xE9" : "OLD")));
        QVERIFY(bytes.isNull() || putFile(path, bytes));
        f->dialogs.fileAnswers = {path, out}; // a dialog opened again is cancelled
        f->dialogs.answers = {over == "no" ? Dialogs::Answer::No : Dialogs::Answer::Yes};
        QVERIFY(over != "read-only" || QFile::setPermissions(out, QFileDevice::ReadOwner));
        QFile holder(out);
        QVERIFY(over != "held" || holder.open(QIODevice::ReadWrite));
        if (over == "vanish") // a USB stick pulled out while the operator reads the question
            f->dialogs.onBox = [folder](auto &) { QDir(folder).removeRecursively(); };
#ifdef Q_OS_UNIX // every write past 4 bytes fails as on a full disk, for administrators too
        QVERIFY(name != "pipe" || ::mkfifo(qPrintable(path), 0600) == 0);
        rlimit was{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &was), 0);
        const rlimit small{over == "full" ? rlim_t(4) : was.rlim_cur, was.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
#endif
        const QDeadlineTimer soon(2000);
        step("menuOpen_message");
        QVERIFY(!soon.hasExpired());
        QVERIFY(f->message()->textCursor().atEnd());                 // ready to type on
        if (QByteArray(QTest::currentDataTag()).startsWith("UTF-8")) // shown as written
            QCOMPARE(f->message()->toPlainText(),
                     QString::fromUtf8(bytes).remove(QChar(0xFEFF)).replace("\r\n", "\n"));
        step("menu_Save_Message");
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &was);
#endif
        QCOMPARE(fileBytes(out), saved); // and no half-written file is left behind:
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).join(' '),
                 saved.isNull() ? "" : "out.txt");
        QCOMPARE(look().section('|', -1),
                 QString(boxes).replace("%1", QDir::toNativeSeparators(out)));
        step("menuOpen_message"); // at the name saved; No asks for another one
        QCOMPARE(f->dialogs.fileDialogs.join(' '),
                 "Open Message File| Save Message File| " +
                     QString(over == "no" ? "Save Message File| Open Message File|"
                                          : "Open Message File|" + out));
    }

    // The guide beside the program, else a box naming where it was looked for; About's version.
    void guideAndAbout()
    {
        const QString path = f->dir.filePath("guide.html");
        f->make();
        step("menu_Guide");
        QVERIFY(putFile(path, "<html/>"));
        f->dialogs.documentOpens = false; // no viewer for HTML
        step("menu_Guide");
        f->dialogs.documentOpens = true;
        f->programFolder = VAKO_PROGRAM_DIR; // the build puts the guide beside the program
        f->make();
        step("menu_Guide");
        step("menu_About");
        QCOMPARE(f->dialogs.opened, QStringList({path, VAKO_PROGRAM_DIR "/guide.html"}));
        const QString gone = "(!) Guide: File not found!\n\n" + QDir::toNativeSeparators(path);
        QCOMPARE(look().section('|', -1).section("\n\n", 0, 2),
                 gone + ';' + gone + ";About: VAKO Control Panel\nVersion " VAKO_PROJECT_VERSION);
    }
};

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
