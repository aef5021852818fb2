#include "Fakes.h"
#include "Files.h"
#include "Platform.h"
#include "protocol/CommandProtocol.h"
#include "remote/KeyerServer.h"
#include "remote/PeerFilter.h"
#include "remote/RigConversation.h"
#include "remote/RigServer.h"
#include "serial/PortTable.h"
#include "serial/TransmitterLink.h"
#include "session/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QtNetwork>

// How a text is shown: a number, the wire's bytes.
using Conversion = std::function<QString(const QString &)>;
Q_DECLARE_METATYPE(Conversion)

// What the panel does without a window: texts, command bytes, ports, settings files.
class tst_Core : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    const QString file = dir.filePath("vako-panel.ini");

    void put(const QString &bytes) // a null text: no file
    {
        QFile::remove(file);
        QVERIFY(bytes.isNull() || putFile(file, bytes.toLatin1()));
    }

    // A table of JSON arrays, a line each, named by their first text; '#' starts a comment.
    static void jsonRows(const QString &path)
    {
        QTest::addColumn<QJsonArray>("row");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (QByteArray line; !(line = file.readLine()).isEmpty();)
            if (!line.startsWith('#'))
                QTest::newRow(line.mid(2, line.indexOf('"', 2) - 2))
                    << QJsonDocument::fromJson(line).array();
    }

private Q_SLOTS:
    // Settings texts as numbers; texts as the wire carries them.
    void texts_data()
    {
        QTest::addColumn<Conversion>("conversion");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const Conversion number = [](const QString &text) {
            const Number n = NumberText::parse(text);
            return n ? QString::number(*n) : "none";
        };
        const Conversion line = [](const QString &text) {
            return QString(TransmitterLink::lineBytes(text).toHex().toUpper());
        };
        using Row = std::tuple<const char *, Conversion, QString, QString>;
        for (const auto &[name, conversion, input, expected] : std::initializer_list<Row>{
                 {"blank, sign, text after", number, " -12abc", "-12"},
                 {"sign alone", number, "-", "none"},
                 {"19 digits overflow", number, "9999999999999999999", "none"},
                 {"stop, digit zero", line, "=B0", "3D42300D"},
                 {"euro", line, "=M€", "3D4D800D"},
                 {"outside the code page", line, "=MЖ", "3D4D3F0D"},
                 {"astral is one ?", line, "=M😀", "3D4D3F0D"}})
            QTest::newRow(name) << conversion << input << expected;
    }
    void texts()
    {
        QFETCH(Conversion, conversion);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(conversion(input), expected);
    }

    // Built-in devices without a [Ports] table (Linux, Windows); with one, only its entries.
    void portTable_data()
    {
        arrowRows({"UART => 1 => /dev/ttyS0 =>  => COM1", "USB => 33 => /dev/ttyUSB0 =>  => COM33",
                   "CDC-ACM => 96 => /dev/ttyACM31 =>  => COM96", "97 => 97 =>  =>  => COM97",
                   "first of duplicates => 3 => /dev/ttyS2 => /dev/by-id/x => COM3",
                   "key in other case => 7 => /dev/ttyS6 => /dev/ttyUSB4 => COM7",
                   "highest => 100 =>  => COM7 => COM100", "0 => 0 =>  =>  => ",
                   "leading zero => 5 => /dev/ttyS4 =>  => COM5", "above 100 => 101 =>  =>  => ",
                   "empty value => 8 => /dev/ttyS7 =>  => COM8",
                   "NUL => 10 => /dev/ttyS9 =>  => COM10",
                   "control character => 9 => /dev/ttyS8 =>  => COM9"});
    }
    void portTable()
    {
        QFETCH(QStringList, row); // port number, device without the table, with it, on Windows
        const int builtIn = QSysInfo::kernelType() == "winnt" ? 3 : 1;
        const QByteArray table = QByteArrayLiteral(
            "[Ports]\nCom3=/dev/by-id/x\ncom7 = /dev/ttyUSB4 \nCom100=COM7\nCom05=/dev/ttyS5\n"
            "Com101=/dev/ttyS9\nCom8=\nCom3=/dev/ttyS3\nCom9=/dev/tty\x01S0\nCom10=/dev/\0S0\n");
        for (const QByteArray &file : {QByteArray("[VAKO]\nModel=BIRCH\n"), table})
            QCOMPARE(
                PortTable::fromSettings(IniDocument::fromBytes(file)).deviceFor(row[0].toInt()),
                row[file == table ? 2 : builtIn]);
    }

    // K of section S read, as the start-up reads it, and the file once K is set to 2.
    void entry_data()
    {
        const QString x1022(1022, u'x'), nul = QString::fromLatin1("[S]\nN=\0\nK=12\0xy\n\0", 17);
        rows({{"no file", QString(), "none", "", "[S]\nK=2\n"},
              {"any case, trimmed, CR LF", "; c\r\n[s]\r\n\t k  = \tbirch \r\nU = u \r\n", "birch",
               "birch", "; c\r\n[s]\r\n\t k  =2\r\nU = u \r\n"},
              {"no final end", "[S]\r\nK=1", "1", "1", "[S]\r\nK=2"},
              {"first wins", "[S]\nK=1\nk=3\n[s]\nK=4\n", "1", "1", "[S]\nK=2\nk=3\n[s]\nK=4\n"},
              {"after the last entry", "[S]\nA=1\n\n; c\n[T]\nK=1\n", "none", "",
               "[S]\nA=1\nK=2\n\n; c\n[T]\nK=1\n"},
              {"new section, no final end", "[T]\nK=1", "none", "", "[T]\nK=1\n[S]\nK=2\n"},
              {"DEFAULT STRING", "[S]\nK=DEFAULT STRING\n", "DEFAULT STRING", "", "[S]\nK=2\n"},
              {"cut at 1023", "[S]\nK=" + x1022 + "yz\n", x1022 + "yz", x1022 + "y", "[S]\nK=2\n"},
              {"NULs", nul, nul.mid(10, 5), "12", QString(nul).replace(10, 5, "2")},
              // The blanks a cut leaves are no value: a save would keep them, a read drop them.
              {"blank, NUL", QString::fromLatin1("[S]\nK=AB \0xy\n", 13),
               QString::fromLatin1("AB \0xy", 6), "AB", "[S]\nK=2\n"},
              {"blank at 1023", "[S]\nK=" + x1022 + " y\n", x1022 + " y", x1022, "[S]\nK=2\n"},
              {"huge", QString(99999, '='), "none", "", QString(99999, '=') + "\n[S]\nK=2\n"}});
    }
    void entry()
    {
        QFETCH(QStringList, row); // file, K read, K as the start-up reads it, file after
        put(row[0]);
        IniDocument document = IniDocument::load(file);
        QCOMPARE(document.value("S", "K").value_or("none"), row[1]);
        QCOMPARE(SettingsFile::ReadProfileString(document, "S", "K"), row[2]);
        document.setValue("S", "K", "2");
        QVERIFY(document.save(file));
        if (QSysInfo::kernelType() == "winnt" && !row[0].contains('\n')) // Windows' own: CR LF
            row[3].replace("\n", "\r\n");
        QCOMPARE(fileBytes(file), row[3].toLatin1());
    }

    // The file before the start-up reads it, and after when it changes.
    void loadSettings_data()
    {
        rows(
            {{"no file", QString(), settingsWith({{"BIRCH:BaudRate= 115200", "Baudrate= 115200"}})},
             {"Model empty", settingsWith({{"Model=BIRCH", "Model="}}), settingsWith({})},
             {"DEFAULT", settingsWith({{"Model=BIRCH", "Model=DEFAULT STRING"}}), settingsWith({})},
             {"birch is kept", settingsWith({{"Model=BIRCH", "Model=birch"}})},
             {"a missing key not repaired", settingsWith({{"ALDER:Step= 1", "Other=x"}})}});
    }
    void loadSettings()
    {
        QFETCH(QStringList, row);
        QString after = row.value(1, row[0]);
        if (QSysInfo::kernelType() == "winnt" && row[0].isNull()) // a new file in CR LF
            after.replace("\n", "\r\n");
        put(row[0]);
        Session session;
        session.setBuiltInValues();
        SettingsFile(session, file).LoadSettings();
        QCOMPARE(fileBytes(file), after.toLatin1());
        QCOMPARE(session.state.Model, after.contains("birch") ? "birch" : "BIRCH");
        QCOMPARE(session.profile(ModelId::Alder).Step, after.contains("Other") ? Number() : 1);
    }

    // A save keeps the lines the panel does not own, in the file's line ends; a preset beside
    // the program stands in for a per-user file not there yet, and the first save writes it.
    void saveKeepsTheRest()
    {
        const QString preset = dir.filePath("preset.ini");
        const QByteArray head =
            "; notes\r\n[Ports]\r\nCom3=/dev/ttyUSB0\r\n[VAKO]\r\nModel=ALDER\r\nX=y\r\n";
        putFile(preset, head);
        QFile::remove(file);
        Session session;
        SettingsFile settings(session, SettingsLocation(file, preset));
        settings.LoadSettings();
        session.profile(ModelId::Birch).BaudRate = 19200;
        session.profile(ModelId::Alder).Step = Number(); // spells no number: the built-in value
        QVERIFY(settings.SaveSettings());
        QVERIFY(fileBytes(file).startsWith(
            head + "Keyer_Type= 2\r\n[ALDER_settings]\r\nFrequency= 136000\r\nStep= 1\r\n"));
        QVERIFY(fileBytes(file).endsWith("Power= 0\r\nBaudRate= 19200\r\nPortnumber= 0\r\n"));
        QCOMPARE(fileBytes(preset), head);
        putFile(preset, "[VAKO]\nModel=BIRCH\n"); // once the per-user file exists, it counts
        settings.LoadSettings();
        QCOMPARE(session.state.Model, "ALDER");
        put(settingsWith({{"BIRCH:BaudRate= 115200", "Baudrate= 115200"}}));
        QVERIFY(settings.SaveSettings()); // one BIRCH baud-rate entry, in either spelling
        QCOMPARE(fileBytes(file), settingsWith({{"BIRCH:BaudRate= 115200", "Baudrate= 19200"},
                                                {"Model=BIRCH", "Model=ALDER"}}));
    }

    void settingsPath()
    {
        QCOMPARE(settingsLocationFor(dir.filePath("vako-panel")).path, file);
#ifdef Q_OS_LINUX
        QStandardPaths::setTestModeEnabled(true); // /sys takes no files, not even root's
        QCOMPARE(settingsLocationFor("/sys/vako-panel").path,
                 QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                     "/vako-panel.ini");
        Session session; // a file that cannot be made: the built-in values, not empty texts
        session.setBuiltInValues();
        SettingsFile(session, QString("/sys/vako-panel.ini")).LoadSettings();
        QCOMPARE(session.state.Model + QString::number(*session.profiles[1].Frequency),
                 "BIRCH500000");
#endif
    }

    // Hamlib's network rig protocol as rigctld answers it, and what each command asks of the
    // panel; '|' ends a line sent or answered, '~' marks where the keying ended.
    void stationProgram_data()
    {
        QTest::addColumn<bool>("open");  // the serial port
        QTest::addColumn<bool>("keyed"); // a message is keyed until all is sent
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<bool>("ends"); // the conversation
        const auto row = [](const char *name, const QString &sent, const QString &answers,
                            const QString &changes = {}, bool open = true, bool keyed = false,
                            bool ends = false) {
            QTest::newRow(name) << open << keyed << sent << answers << changes << ends;
        };
        row("tune, to the nearest hertz", "F 500100.000000|+F 500200|F 500000.4|F 500000.6|",
            "RPRT 0|set_freq: 500200|RPRT 0|RPRT 0|RPRT 0|", "F500100 F500200 F500000 F500001");
        row("frequencies refused", "F 1000000|F abc|F -5|F|", QString("RPRT -1|").repeated(4));
        row("port closed", "F 500100|L KEYSPD 20|\\stop_morse|b CQ|",
            QString("RPRT -6|").repeated(4), "", false);
        row("speeds onto the grid",
            "L KEYSPD 25|L KEYSPD 12.4|L KEYSPD 0.5|L KEYSPD 50.4|L KEYSPD 51|L KEYSPD 0.04|",
            "RPRT 0|RPRT 0|RPRT 0|RPRT 0|RPRT -1|RPRT -1|", "S250 S120 S5 S500");
        row("powers",
            "l RFPOWER|L RFPOWER 0|L RFPOWER 0.5|L RFPOWER 1|L RFPOWER 1.5|l FOO|L FOO 1|",
            "0.666667|RPRT 0|RPRT 0|RPRT 0|RPRT -1|RPRT -1|RPRT -11|", "P0 P2 P3");
        row("messages", "b CQ DE TEST|+\\send_morse CQ|\\stop_morse|b " + QString(201, 'E') + '|',
            "RPRT 0|send_morse:  CQ|RPRT 0|RPRT 0|RPRT -1|", "M:CQ DE TEST M:CQ stop");
        row("nothing to key stops, as cqrlog's stop: 0xFF, a blank",
            QString::fromLatin1("b\xff|+b\xff|b |"),
            QString::fromLatin1("RPRT 0|send_morse: \xff|RPRT 0|RPRT 0|"), "stop stop stop");
        row("characters without Morse: refused whole, never a '?'",
            QString::fromLatin1("b CQ \xd0\x96 DE|bAB\xff\xfe"
                                "CD|b ~|bQRL?|"),
            "RPRT -1|RPRT -1|RPRT -1|RPRT 0|", "M:QRL?");
        row("several on a line, CR LF", "fm +v\r|", "500000|CW|0|get_vfo:|VFO: VFOA|RPRT 0|");
        row("unknown, blank, binary: no answer", "9|\\nonexistent| \t|\x01\x02|", "");
        row("quit ends it", "q|f|", "RPRT 0|", "", true, false, true);
        row("keying: wait_morse holds the rest until it is over", "t|+\\wait_morse f|f|",
            "1|~wait_morse:|RPRT 0|500000|500000|", "", true, true);
        row("a line too long", QString(1025, 'f'), "RPRT -8|", "", true, false, true);
    }
    void stationProgram()
    {
        QFETCH(bool, open);
        QFETCH(bool, keyed);
        QFETCH(QString, sent);
        QFETCH(QString, answers);
        QFETCH(QString, changes);
        QFETCH(bool, ends);
        FakeRigTarget target;
        target.open = open;
        target.keyed = keyed; // until all is sent: then '~' and over
        RigConversation conversation(target);
        QByteArray got;
        for (const char c : sent.replace('|', '\n').toLatin1()) // slowly
            got += conversation.take(QByteArrayView(&c, 1));
        if (std::exchange(target.keyed, false))
            got += '~' + conversation.take({});
        QCOMPARE(got, answers.replace('|', '\n').toLatin1());
        QCOMPARE(target.changes.join(' '), changes);
        QCOMPARE(conversation.ended(), ends);
    }

    // Every line of rigctl's command list in each form, and values the transmitter cannot take,
    // beside rigctld -m 1's recorded answers: the same names and records, an answer to each.
    void commandList_data()
    {
        jsonRows(QFINDTESTDATA("data/rigctl-commands.jsonl"));
    }
    void commandList()
    {
        QFETCH(QJsonArray, row); // sent, rigctld plain and after ',', the panel plain, '+', ','
        const auto answer = [&](const QString &prefix) {
            FakeRigTarget target;
            return QString(
                RigConversation(target).take((prefix + row[0].toString() + '\n').toLatin1()));
        };
        const auto keys = [](const QString &answer, qsizetype count) { // "Key: value" records
            QStringList keys;
            for (const QString &record : answer.split(','))
                keys << record.section(": ", 0, 0);
            return keys.mid(0, count);
        };
        for (const QString prefix : {"", "+", ",", ";", "|"}) {
            QString expected = row[prefix.isEmpty() ? 3 : prefix == "+" ? 4 : 5].toString();
            if (prefix == ";" || prefix == "|")
                expected.replace(',', prefix);
            const QString got = answer(prefix);
            QCOMPARE(expected.endsWith("…") ? got.left(expected.size() - 1) + "…" : got, expected);
        }
        const QString reference = row[2].toString(), comma = answer(",");
        if (reference.contains(',')) // the name and the arguments, as rigctld repeats them
            QCOMPARE(comma.section(',', 0, 0), reference.section(',', 0, 0));
        if (comma.endsWith("RPRT 0\n") && reference.endsWith("RPRT 0\n"))
            QCOMPARE(keys(comma, comma.count(',')), keys(reference, comma.count(',')));
    }

    // What station programs send as they connect and work, and what they need back.
    void stationPrograms_data()
    {
        jsonRows(QFINDTESTDATA("data/station-programs.jsonl"));
    }
    void stationPrograms()
    {
        QFETCH(QJsonArray, row); // program, sent, rigctld's answer, the panel's, its changes
        FakeRigTarget target;
        QCOMPARE(QString(RigConversation(target).take(row[1].toString().toLatin1())),
                 row[3].toString());
        QCOMPARE(target.changes.join(' '), row[4].toString());
    }

    // Where the port listens; one that cannot open is told in the operator's words.
    void listenAddresses_data()
    {
        arrowRows({"loopback => 4532 => 127.0.0.1:4532", "IPv6 => [::1]:4534 => ::1:4534",
                   "written out =>  0.0.0.0:4533  => 0.0.0.0:4533", "port 0 => 0 => none",
                   "localhost => localhost:4535 => 127.0.0.1:4535", "too high => 65536 => none",
                   "no address => example.org:4532 => none", "no port => 127.0.0.1: => none"});
    }
    void listenAddresses()
    {
        QFETCH(QStringList, row);
        const std::optional<ListenAddress> where = parseListenAddress(row[0]);
        QCOMPARE(where ? where->address.toString() + ':' + QString::number(where->port) : "none",
                 row[1]);
        FakeRigTarget target;
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        RigServer server(target);
        const QString told =
            server.start(where ? QString::number(taken.serverPort()) : row[0]).value_or(QString());
        QVERIFY2(told.startsWith("The port for other programs (") &&
                     told.contains(where ? "already in use" : "it is no port number"),
                 qPrintable(told));
    }

    // Who gets in: the peers AllowFrom names, and this computer's own once it is given.
    void peers_data()
    {
        arrowRows({"not given: loopback =>  => 127.0.0.2 => in",
                   "not given: another computer =>  => 192.168.1.20 => out",
                   "an address => 192.168.1.20 => 192.168.1.20 => in",
                   "its neighbour => 192.168.1.20 => 192.168.1.21 => out",
                   "a subnet => 192.168.1.0/24, fe80::/10 => 192.168.1.77 => in",
                   "link-local on an interface => 192.168.1.0/24 fe80::/10 => fe80::1%eth0 => in",
                   "IPv4 through IPv6 => 10.0.0.0/8 => ::ffff:10.1.2.3 => in",
                   "given: 127.0.0.1 => 10.0.0.0/8 => 127.0.0.1 => in",
                   "given: ::1 => 10.0.0.0/8 => ::1 => in",
                   "given: the rest of loopback => 127.0.0.3 => 127.0.0.2 => out",
                   "no address => 192.168.1.x => 192.168.1.1 => bad AllowFrom= names "
                   "\"192.168.1.x\", which is no address nor subnet"});
    }
    void peers()
    {
        QFETCH(QStringList, row); // AllowFrom, the peer, let in or not
        QString bad;
        const std::optional<PeerFilter> filter = PeerFilter::fromSetting(row[0], bad);
        QCOMPARE(filter ? filter->allows(QHostAddress(row[1])) ? "in" : "out" : "bad " + bad,
                 row[2]);
    }

    // Beyond this computer only for named peers: without them the port stays shut, and says why.
    void listensBeyondOnlyForPeers_data()
    {
        arrowRows(
            {"every IPv4 address => 0.0.0.0 =>  => AllowFrom=192.168.1.20",
             "every IPv6 address => [::] =>  => AllowFrom=192.168.1.0/24",
             "peers named => 0.0.0.0 => 192.168.1.0/24 => already in use",
             "a bad entry => 127.0.0.1 => 10.0.0.300 => \"10.0.0.300\", which is no address"});
    }
    void listensBeyondOnlyForPeers()
    {
        QFETCH(QStringList, row); // the address, AllowFrom, what the operator is told
        QTcpServer taken; // the port, so that an address the rule lets through fails to listen
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        FakeRigTarget target;
        RigServer server(target);
        const QString told =
            server.start(row[0] + ':' + QString::number(taken.serverPort()), row[1]).value_or("");
        QVERIFY2(told.contains(row[2]), qPrintable(told));
    }

    // The CW keyer port beside Debian's cwdaemon: its replies to the same datagrams, and what
    // each asks of the panel.
    void keyerPort_data()
    {
        jsonRows(QFINDTESTDATA("data/cwdaemon-replies.jsonl"));
    }
    void keyerPort()
    {
        QFETCH(QJsonArray, row); // datagrams, cwdaemon's replies, the panel's changes
        QUdpSocket client;       // its port, free, for the keyer a moment later
        QVERIFY(client.bind(QHostAddress::LocalHost));
        const quint16 port = client.localPort();
        client.close();
        FakeRigTarget target;
        KeyerServer keyer(target);
        QVERIFY(!keyer.start(QString::number(port), {}));
        for (const QJsonValue &datagram : row[1].toArray())
            client.writeDatagram(datagram.toString().toUtf8(), QHostAddress::LocalHost, port);
        QByteArray replies;
        QTest::qWait(50);
        QTRY_COMPARE(replies += client.receiveDatagram().data(), row[2].toString().toLatin1());
        QCOMPARE(target.changes.join(' '), row[3].toString());
    }
};

QTEST_GUILESS_MAIN(tst_Core)
#include "tst_core.moc"
