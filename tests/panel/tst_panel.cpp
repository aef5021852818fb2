#include "PanelFixture.h"
#include "panel/DisplayText.h"
#include "settings/SettingsFile.h"
#include "ui_main_Form.h"

#include <QButtonGroup>
#include <QTest>

// The panel's handlers on the scripted serial control: the window started
// from a settings file, each line checked byte for byte. In the tables a
// negative value stands for one that spells no number.
class tst_Panel : public QObject
{
    Q_OBJECT

    std::unique_ptr<PanelFixture> f;
    main_Form *w = nullptr;

    static Number n(int v) { return v < 0 ? Number() : Number(v); }
    // The settings file with every stored port 3 (present) unless changed.
    static QByteArray ini(std::initializer_list<std::pair<const char *, const char *>> c = {})
    {
        return settingsWith(c).replace("Portnumber= 0", "Portnumber= 3");
    }
    void start(const QByteArray &settings = ini())
    {
        f->writeSettings(settings);
        f->comm.presentPorts = {3, 7};
        f->comm.busyPorts = {7};
        w = &f->start();
        f->comm.clearWrites();
        f->dialogs.boxes.clear();
    }
    QString wire() const { return QString::fromLatin1(f->comm.wire()); }
    static QString marks(const QList<QAction *> &entries)
    {
        QString text;
        for (const QAction *entry : entries)
            text += entry->isChecked() ? u'1' : u'0';
        return text;
    }
    // What the operator sees: title|frequency|speed|step|power|ALDER,BIRCH
    // marks|keyer marks|status|the message boxes shown since the start-up.
    QString look() const
    {
        const PanelControls &u = w->panel().ui;
        QStringList all{w->windowTitle(), u.Frequency_display->text(), u.CW_speed_display->text()};
        all << QString::number(u.Step_Option->checkedId())
            << QString::number(u.Power_Option->checkedId());
        all << marks({u.modelEntries[0], u.modelEntries[1]}) << marks(u.menu_Keyer)
            << u.Status->text() << f->dialogs.texts().join(u';');
        return all.join(u'|');
    }
    ModelProfile &birch() { return w->session().profile(ModelId::Birch); }

private Q_SLOTS:
    void init() { f = std::make_unique<PanelFixture>(); }
    void cleanup() { f.reset(); }

    // Settings text as a number, and numbers as the displays show them.
    void values_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Number>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("blank, sign, text after") << "number" << Number(-12) << " -12abc";
        QTest::newRow("zero is a number") << "number" << Number(0) << "0";
        QTest::newRow("empty") << "number" << Number() << "";
        QTest::newRow("sign alone") << "number" << Number() << "-";
        QTest::newRow("18 digits")
            << "number" << Number(999999999999999999) << "999999999999999999";
        QTest::newRow("19 digits overflow") << "number" << Number() << "9999999999999999999";
        QTest::newRow("five-digit frequency") << "kHz" << Number(99999) << "99.999";
        QTest::newRow("seven-digit frequency") << "kHz" << Number(1000000) << "1000.000";
        QTest::newRow("frequency below 1 kHz") << "kHz" << Number(42) << "0.042";
        QTest::newRow("20 wpm") << "wpm" << Number(200) << "20";
        QTest::newRow("9.5 wpm") << "wpm" << Number(95) << "9.5";
        QTest::newRow("0.5 wpm") << "wpm" << Number(5) << "0.5";
    }
    void values()
    {
        QFETCH(QString, kind);
        QFETCH(Number, value);
        QFETCH(QString, text);
        if (kind == "number")
            QCOMPARE(NumberText::parse(text), value);
        else
            QCOMPARE(kind == "kHz" ? DisplayText::frequency(*value) : DisplayText::speed(*value),
                     text);
    }

    // RefreshPanel: each control whose shown value changes sends its line.
    void refresh_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QList<int>>("values"); // frequency, step, speed, power
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("sent");
        const QString end = "|01|0010|Com Port Open|";
        QTest::newRow("built-in BIRCH")
            << "BIRCH" << QList<int>{500000, 2, 200, 0} << "VAKO BIRCH|500.000|20|2|0" + end << "";
        QTest::newRow("ALDER values")
            << "BIRCH" << QList<int>{136000, 1, 100, 1} << "VAKO BIRCH|136.000|10|1|1" + end
            << "=F136000\r=P1\r=S100\r";
        QTest::newRow("out of range") << "BIRCH" << QList<int>{1000000, 4, 1000, 9}
                                      << "VAKO BIRCH|1000.000|100|-1|-1" + end << "";
        QTest::newRow("no number")
            << "BIRCH" << QList<int>{-1, -1, -1, -1} << "VAKO BIRCH|||-1|-1" + end << "";
        QTest::newRow("unknown model") << "birch" << QList<int>{500100, 2, 200, 0}
                                       << "VAKO birch|500.100|20|2|0" + end + "Unknown VAKO Model"
                                       << "=F500100\r";
    }
    void refresh()
    {
        QFETCH(QString, model);
        QFETCH(QList<int>, values);
        QFETCH(QString, shown);
        QFETCH(QString, sent);
        start();
        w->session().state.Model = model;
        w->session().loadProfile(
            {n(values[0]), n(values[1]), n(values[2]), n(values[3]), 115200, 3});
        w->panel().RefreshPanel();
        QCOMPARE(wire(), sent);
        QCOMPARE(look(), shown);
        // Shown values are copied into the selected model's profile only.
        QCOMPARE(birch().Frequency, model == "BIRCH" ? n(values[0]) : 500000);
        QCOMPARE(w->session().profile(ModelId::Alder).Frequency, Number(136000));
    }

    // Up and Down of the frequency in step 0..3 (1 Hz..1 kHz) and of the speed.
    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("sent");
        QTest::newRow("up 1 Hz") << "up_Button" << 500000 << 0 << 500001 << "=F500001\r";
        QTest::newRow("down 10 Hz") << "down_Button" << 136000 << 1 << 135990 << "=F135990\r";
        QTest::newRow("up 100 Hz") << "up_Button" << 500000 << 2 << 500100 << "=F500100\r";
        QTest::newRow("down 1 kHz") << "down_Button" << 100000 << 3 << 99000 << "=F 99000\r";
        QTest::newRow("past the top") << "up_Button" << 999500 << 3 << 999500 << "";
        QTest::newRow("below zero") << "down_Button" << 500 << 3 << 500 << "";
        QTest::newRow("1000 kHz up") << "up_Button" << 1000000 << 0 << 1000000 << "";
        QTest::newRow("1000 kHz down") << "down_Button" << 1000000 << 0 << 999999 << "=F999999\r";
        QTest::newRow("invalid step") << "up_Button" << 136000 << 4 << 136000 << "";
        QTest::newRow("frequency no number") << "up_Button" << -1 << 2 << -1 << "";
        QTest::newRow("up from 0.9") << "CW_speed_up" << 9 << 2 << 10 << "=S 10\r";
        QTest::newRow("up from 1") << "CW_speed_up" << 10 << 2 << 20 << "=S 20\r";
        QTest::newRow("down from 2") << "CW_speed_down" << 20 << 2 << 10 << "=S 10\r";
        QTest::newRow("down from 1") << "CW_speed_down" << 10 << 2 << 9 << "=S 9\r";
        QTest::newRow("down to 5") << "CW_speed_down" << 60 << 2 << 50 << "=S 50\r";
        QTest::newRow("up to 50") << "CW_speed_up" << 490 << 2 << 500 << "=S500\r";
        QTest::newRow("up at 50") << "CW_speed_up" << 500 << 2 << 500 << "";
        QTest::newRow("down at 0.1") << "CW_speed_down" << 1 << 2 << 1 << "";
        QTest::newRow("off grid to 50.5") << "CW_speed_up" << 495 << 2 << 505 << "=S505\r";
        QTest::newRow("off grid at 50.5") << "CW_speed_up" << 505 << 2 << 505 << "";
        QTest::newRow("off grid down") << "CW_speed_down" << 15 << 2 << 5 << "=S 5\r";
        QTest::newRow("speed no number") << "CW_speed_up" << -1 << 2 << -1 << "";
    }
    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(int, from);
        QFETCH(int, step);
        QFETCH(int, to);
        QFETCH(QString, sent);
        start();
        const bool speed = button.startsWith("CW");
        SessionState &state = w->session().state;
        (speed ? state.CW_speed : state.Frequency) = n(from);
        state.Step = n(step);
        w->panel().RefreshPanel();
        f->comm.clearWrites();
        w->findChild<QPushButton *>(button)->click();
        QCOMPARE(speed ? state.CW_speed : state.Frequency, n(to));
        QCOMPARE(speed ? birch().CW_speed : birch().Frequency, n(to));
        QCOMPARE(wire(), sent);
        QCOMPARE(f->dialogs.texts().join(""), step > 3 ? "Invalid Step" : "");
    }

    // The same clicks in turn with the port open and closed: the values are
    // stored either way, the lines go out only on an open port.
    void clicksInTurn_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("port open")
            << ini() << "=F500100\r=S190\r=P3\r=K 3\r=MCQ DE VAKO K\r=BT\r=B0\r?I\r"
            << "VAKO BIRCH|500.100|19|2|3|01|0001|Com Port Open|";
        QTest::newRow("port closed") << settingsWith({}) << ""
                                     << "VAKO BIRCH|500.100|19|2|3|01|0010|Com Port Closed|"
                                        "Com port is closed;Com port is Closed;Com port is Closed;"
                                        "Comp Port is Closed";
    }
    void clicksInTurn()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, sent);
        QFETCH(QString, shown);
        start(settings);
        w->ui().up_Button->click();
        w->ui().CW_speed_down->click();
        w->panel().ui.Power_Option->button(3)->click();
        w->panel().ui.menu_Keyer[3]->trigger();
        w->ui().Send_button->click();
        w->ui().Stop_button->click();
        w->ui().menuShow_VAKO_Software_Version->trigger();
        QCOMPARE(wire(), sent);
        QCOMPARE(look(), shown);
        QCOMPARE((QList<Number>{birch().Frequency, birch().CW_speed, birch().Power}),
                 (QList<Number>{500100, 190, 3}));
    }

    void modelSwitch_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("port");
        const QString toAlder = "=F136000\r=S100\r=P 1\r=F136000\r=P1\r=S100\r";
        const QString alder = "VAKO ALDER|136.000|10|1|1|10|0010|Com Port ";
        QTest::newRow("BIRCH to ALDER") << ini() << 0 << toAlder << alder + "Open|" << 3;
        QTest::newRow("BIRCH again") << ini() << 1 << "=F500000\r=S200\r=P 0\r"
                                     << "VAKO BIRCH|500.000|20|2|0|01|0010|Com Port Open|" << 3;
        QTest::newRow("port fails") << ini({{"ALDER:Portnumber= 0", "Portnumber= 7"}}) << 0 << ""
                                    << alder + "Closed|The Com Port is not available" << 0;
        QTest::newRow("unknown model ended")
            << ini({{"Model=BIRCH", "Model=birch"}}) << 0 << toAlder << alder + "Open|" << 3;
    }
    void modelSwitch()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, model);
        QFETCH(QString, sent);
        QFETCH(QString, shown);
        QFETCH(int, port);
        start(settings);
        QVERIFY(QFile::remove(f->settingsPath()));
        w->panel().ui.modelEntries[model]->trigger();
        QCOMPARE(wire(), sent);
        QCOMPARE(look(), shown);
        const ModelDescriptor &chosen = modelTable()[model];
        QCOMPARE(SettingsFile::ReadProfileString(f->settingsPath(), "VAKO", "Model"), chosen.name);
        QCOMPARE(SettingsFile::ReadProfileString(f->settingsPath(), chosen.section, "Portnumber"),
                 QString::number(port));
    }

    void modelKeepsItsFrequency()
    {
        start(ini({{"Model=BIRCH", "Model=ALDER"}}));
        w->ui().up_Button->click(); // ALDER's 10 Hz step
        w->ui().menu_VAKO_BIRCH->trigger();
        f->comm.clearWrites();
        w->ui().menu_VAKO_ALDER->trigger();
        QVERIFY(wire().startsWith("=F136010\r"));
        QCOMPARE(look(), "VAKO ALDER|136.010|10|1|1|10|0010|Com Port Open|");
    }

    void transmit_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("empty box") << "" << QByteArray("=M\r=BT\r");
        QTest::newRow("line like a command") << "TEST\n=P3" << QByteArray("=MTEST =P3\r=BT\r");
        QTest::newRow("empty line") << "A\n\nB" << QByteArray("=MA  B\r=BT\r");
    }
    void transmit()
    {
        QFETCH(QString, message);
        QFETCH(QByteArray, sent);
        start();
        f->comm.receiveBuffer = "#I:LATE";
        w->ui().Message_Text->setPlainText(message);
        w->ui().Send_button->click();
        QCOMPARE(f->comm.wire(), sent);
        QVERIFY(f->comm.receiveBuffer.isEmpty());
    }
};

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
