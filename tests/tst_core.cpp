#include "Dialogs.h"
#include "Fakes.h"
#include "Files.h"
#include "Platform.h"
#include "messages/MessageFile.h"
#include "protocol/AnsiText.h"
#include "protocol/CommandProtocol.h"
#include "protocol/DisplayText.h"
#include "remote/RigProtocol.h"
#include "remote/RigServer.h"
#include "serial/PortTable.h"
#include "serial/TransmitterLink.h"
#include "session/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <numeric>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// What the panel does without a window, by tables: number and display texts,
// the bytes of a command line, the port table, the INI facility and the
// settings file kept in it.
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

private Q_SLOTS:
    // Settings texts as numbers; numbers as the displays, the fields and the wire show them.
    void texts_data()
    {
        arrowRows({"blank, sign, text after => number =>  -12abc => -12",
                   "zero is a number => number => 0 => 0", "sign alone => number => - => none",
                   "18 digits => number => 999999999999999999 => 999999999999999999",
                   "19 digits overflow => number => 9999999999999999999 => none",
                   "below 1 kHz => kHz => 42 => 0.042",
                   "seven digits => kHz => 1000000 => 1000.000", "20 wpm => wpm => 200 => 20",
                   "0.5 wpm => wpm => 5 => 0.5", "the blank stays => field 6 => 99999 =>  99999",
                   "the first digit goes => field 6 => 1000000 => 000000",
                   "three of -5 => field 3 => -5 => -5",
                   "stop, digit zero => line => =B0 => 3D42300D",
                   "euro, 0x80 row => line => =M€ => 3D4D800D",
                   "outside the code page => line => =MЖ => 3D4D3F0D",
                   "astral is one ? => line => =M😀 => 3D4D3F0D"});
    }
    void texts()
    {
        QFETCH(QStringList, row); // what, input, result
        const Number n = NumberText::parse(row[1]);
        if (row[0] == "number")
            QCOMPARE(n ? QString::number(*n) : "none", row[2]);
        else if (row[0].startsWith("field"))
            QCOMPARE(CommandField(*n, row[0].mid(6).toInt()), row[2]);
        else if (row[0] == "line")
            QCOMPARE(TransmitterLink::lineBytes(row[1]).toHex().toUpper(), row[2].toLatin1());
        else
            QCOMPARE(row[0] == "kHz" ? DisplayText::frequency(*n) : DisplayText::speed(*n), row[2]);
        QByteArray all(256, '\0');
        std::iota(all.begin(), all.end(), char(0));
        QCOMPARE(AnsiText::encode(AnsiText::decode(all)), all); // any byte survives the code page
    }

    void portTable_data()
    {
        const QString none = "[VAKO]\nModel=BIRCH\n",
                      table =
                          "[Ports]\nCom3=/dev/serial/by-id/x\ncom7 = /dev/ttyUSB4 \nCom100=COM7\n"
                          "Com101=/dev/ttyS9\nCom05=/dev/ttyS5\nCom8=\nCom3=/dev/ttyS3\n"
                          "Com9=/dev/tty\x01S0\n";
        rows({{"first UART", none, "1", "/dev/ttyS0"},
              {"first USB", none, "33", "/dev/ttyUSB0"},
              {"last CDC-ACM", none, "96", "/dev/ttyACM31"},
              {"97 names none", none, "97", ""},
              {"first of duplicates", table, "3", "/dev/serial/by-id/x"},
              {"key in other case", table, "7", "/dev/ttyUSB4"},
              {"highest", table, "100", "COM7"},
              {"no entry names none", table, "1", ""},
              {"leading zero", table, "5", ""},
              {"above 100", table, "101", ""},
              {"empty value", table, "8", ""},
              {"control character", table, "9", ""},
              {"NUL", QString(table).replace("/dev/tty\x01", QString::fromLatin1("/dev/\0", 6)),
               "9", ""}});
    }
    void portTable()
    {
        QFETCH(QStringList, row); // settings file, port number, device
        QCOMPARE(PortTable::fromSettings(IniDocument::fromBytes(row[0].toLatin1()))
                     .deviceFor(row[1].toInt()),
                 row[2]);
    }

    void readEntry_data()
    {
        const QString x1022(1022, u'x'), nul = QString::fromLatin1("[S]\nK=12\0"
                                                                   "34\n",
                                                                   13);
        rows({{"names in any case, trimmed", "[s]\r\n mODEL = \tbirch \r\n", "Model", "birch",
               "birch"},
              {"no file", QString(), "K", "none", ""},
              {"missing section", "[T]\nK=1\n", "K", "none", ""},
              {"missing key", "[S]\nK=1\n", "L", "none", ""},
              {"first wins", "[S]\nK=1\nk=2\n[s]\nK=3\n", "K", "1", "1"},
              {"DEFAULT STRING", "[S]\nK=DEFAULT STRING\n", "K", "DEFAULT STRING", ""},
              {"cut at 1023", "[S]\nK=" + x1022 + "yz\n", "K", x1022 + "yz", x1022 + "y"},
              {"NUL ends it", nul, "K", nul.mid(6, 5), "12"},
              // The blanks a cut leaves are no value: a save would keep them, a read drop them.
              {"blank before the NUL", QString(nul).replace("12", "AB "), "K",
               QString::fromLatin1("AB \0"
                                   "34",
                                   6),
               "AB"},
              {"blank at the 1023rd", "[S]\nK=" + x1022 + " y\n", "K", x1022 + " y", x1022}});
    }
    void readEntry()
    {
        QFETCH(QStringList, row); // file, key of section S, its value, as the start-up reads it
        put(row[0]);
        QCOMPARE(IniDocument::load(file).value("S", row[1]).value_or("none"), row[2]);
        QCOMPARE(SettingsFile::ReadProfileString(file, "S", row[1]), row[3]);
    }

    void writeEntry_data()
    {
        rows({{"new file", QString(), "[S]\nK=2\n"},
              {"replace, CR LF, the rest kept", "; c\r\n[S]\r\n\t k  = 1 \r\nU = u \r\n",
               "; c\r\n[S]\r\n\t k  =2\r\nU = u \r\n"},
              {"replace, no final end", "[S]\r\nK=1", "[S]\r\nK=2"},
              {"replace the first of two", "[S]\nK=1\nk=3\n", "[S]\nK=2\nk=3\n"},
              {"after the section's last entry", "[S]\nA=1\n\n; c\n[T]\n",
               "[S]\nA=1\nK=2\n\n; c\n[T]\n"},
              {"new section, no final end", "[T]\nA=1", "[T]\nA=1\n[S]\nK=2\n"},
              {"NUL bytes survive", QString::fromLatin1("[S]\nN=\0\nK=1\n\0", 13),
               QString::fromLatin1("[S]\nN=\0\nK=2\n\0", 13)},
              {"huge line", QString(100000, u'='), QString(100000, u'=') + "\n[S]\nK=2\n"}});
    }
    void writeEntry()
    {
        QFETCH(QStringList, row); // file before, after K of section S is set to 2
        put(row[0]);
        IniDocument document = IniDocument::load(file);
        document.setValue("S", "K", "2");
        QVERIFY(document.save(file));
        QCOMPARE(fileBytes(file), row[1].toLatin1());
    }

    void failedAndAtomicSaves()
    {
        put("[S]\nK=1\n");
        const QString old = dir.filePath("old");
#ifdef Q_OS_UNIX
        QCOMPARE(::link(qPrintable(file), qPrintable(old)), 0); // a second name for the old file
#else
        QVERIFY(QFile::copy(file, old));
#endif
        IniDocument document = IniDocument::load(file);
        document.setValue("S", "K", "2");
        QVERIFY(document.save(file));
        QCOMPARE(fileBytes(old), QByteArray("[S]\nK=1\n")); // replaced whole, not written over
        QVERIFY(QFile::setPermissions(old, QFile::ReadOwner));
        for (const QString &path : {old, dir.path(), dir.filePath("no/x.ini"), old + "/x.ini"})
            QVERIFY2(!document.save(path), qPrintable(path));
        QCOMPARE(fileBytes(old), QByteArray("[S]\nK=1\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"old", "vako-panel.ini"})); // no temporary file left behind
    }

    void loadSettings_data()
    {
        const QString birch = settingsWith({{"Model=BIRCH", "Model=birch"}}),
                      noStep = settingsWith({{"ALDER:Step= 1", "Other=x"}});
        rows({{"first run", QString(),
               settingsWith({{"BIRCH:BaudRate= 115200", "Baudrate= 115200"}})},
              {"Model empty", settingsWith({{"Model=BIRCH", "Model="}}), settingsWith({})},
              {"DEFAULT STRING", settingsWith({{"Model=BIRCH", "Model=DEFAULT STRING"}}),
               settingsWith({})},
              {"birch is kept", birch, birch},
              {"a missing key not repaired", noStep, noStep}});
    }
    void loadSettings()
    {
        QFETCH(QStringList, row); // file before and after the start-up reads it
        put(row[0]);
        Session session;
        session.setBuiltInValues();
        SettingsFile(session, file).LoadSettings();
        QCOMPARE(fileBytes(file), row[1].toLatin1());
        QCOMPARE(session.state.Model, row[1].contains("birch") ? "birch" : "BIRCH");
        QCOMPARE(session.profile(ModelId::Alder).Step, row[1].contains("Other") ? Number() : 1);
    }

    // A save keeps every line the panel does not own, in the file's own line
    // ends. A preset beside the program stands in for a per-user file that
    // does not exist yet, and the first save writes the per-user file from it.
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

#ifdef Q_OS_UNIX
    // The guide's opener says whether a program could show the document,
    // after it ends (xdg-open: 3 when none can).
    void openerTellsItsOutcome_data()
    {
        rows({{"a viewer shows it", "exit 0", "shown"},
              {"no program can show it", "exit 3", "not shown"},
              { "no opener at all",
                "",
                "not shown" }});
    }
    void openerTellsItsOutcome()
    {
        QFETCH(QStringList, row); // what xdg-open does, what the panel learns
        const QString bin = dir.filePath("bin");
        QDir(bin).removeRecursively();
        QVERIFY(QDir().mkpath(bin));
        if (!row[0].isEmpty()) {
            QVERIFY(
                putFile(bin + "/xdg-open", "#!/bin/sh\nsleep 0.2\n" + row[0].toLatin1() + "\n"));
            QVERIFY(QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::ExeOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit());
        QObject context;
        QString learnt;
        Platform::openDocument(file, &context,
                               [&](bool shown) { learnt = shown ? "shown" : "not shown"; });
        qputenv("PATH", path);
        QTRY_COMPARE(learnt, row[1]);
    }
#endif

    void boxShowsWhatFits()
    {
        const auto upTo = [](qsizetype most) { return [most](qsizetype n) { return n <= most; }; };
        QCOMPARE(fittingLength("0123456789", upTo(10)), 10);
        QCOMPARE(fittingLength("0123456789", upTo(7)), 7);
        QCOMPARE(fittingLength("0123456789", upTo(0)), 0);
    }

    // Hamlib's network rig protocol as rigctld answers it, and what each
    // command asks of the panel. "closed:" sends with the serial port closed.
    void stationProgram_data()
    {
        const QString dump = "1\n2\n0\n0.000000 999999.000000 0x2 -1 -1 0x1 0x1\n";
        rows({{"readings", "f\nm\nv\nt\nl KEYSPD\nl RFPOWER\n",
               "500000\nCW\n0\nVFOA\n0\n20\n0.666667\n", ""},
              {"extended", "+f\n;f\n+l KEYSPD\n",
               "get_freq:\nFrequency: 500000\nRPRT 0\nget_freq:;Frequency: 500000;RPRT 0\n"
               "get_level: KEYSPD\n20\nRPRT 0\n",
               ""},
              {"tune as the client writes it", "F 500100.000000\n+F 500200\n",
               "RPRT 0\nset_freq: 500200\nRPRT 0\n", "F500100 F500200"},
              {"frequencies refused", "F 1000000\nF 500100.5\nF abc\nF -5\nF\n",
               QString("RPRT -1\n").repeated(5), ""},
              {"port closed: nothing sent", "closed:F 500100\nL KEYSPD 20\n\\stop_morse\nb CQ\n",
               QString("RPRT -6\n").repeated(4), ""},
              {"one mode, one VFO", "M CW 0\nM USB 2400\nV VFOA\nV VFOB\n",
               "RPRT 0\nRPRT -1\nRPRT 0\nRPRT -16\n", ""},
              {"speeds onto the grid",
               "L KEYSPD 25\nL KEYSPD 12.4\nL KEYSPD 0.5\nL KEYSPD 51\n"
               "L KEYSPD 0.04\n",
               "RPRT 0\nRPRT 0\nRPRT 0\nRPRT -1\nRPRT -1\n", "S250 S120 S5"},
              {"powers", "L RFPOWER 0\nL RFPOWER 0.5\nL RFPOWER 1\nL RFPOWER 1.5\nl FOO\nL FOO 1\n",
               "RPRT 0\nRPRT 0\nRPRT 0\nRPRT -1\nRPRT -1\nRPRT -11\n", "P0 P2 P3"},
              {"messages",
               "b CQ DE TEST\n+\\send_morse CQ\nb " + QString(201, 'E') + "\n\\stop_morse\n",
               "RPRT 0\nsend_morse:  CQ\nRPRT 0\nRPRT -1\nRPRT 0\n", "M:CQ DE TEST M:CQ stop"},
              {"the client's opening",
               "\\chk_vfo\ns\n\\get_powerstat\n\\get_lock_mode\n+\\chk_vfo\n",
               "0\n0\nVFOA\n1\n0\nRPRT 0\nChkVFO: 0\n", ""},
              {"several on a line, CR LF", "fm +v\r\n",
               "500000\nCW\n0\nget_vfo:\nVFO: VFOA\nRPRT 0\n", ""},
              {"unknown, blank, binary: no answer", "x\n\\nonexistent\n \t\n\x01\x02\n", "", ""},
              {"quit ends it", "q\nf\n", "RPRT 0\n", ""},
              {"a line too long", QString(1025, 'f'), "RPRT -8\n", ""},
              {"the rig description", "\\dump_state\n", dump, ""}});
    }
    void stationProgram()
    {
        QFETCH(QStringList, row); // sent, answer, changes
        FakeRigTarget target;
        target.open = !row[0].startsWith("closed:");
        RigConversation conversation(target);
        const QByteArray sent = row[0].mid(target.open ? 0 : 7).toLatin1();
        QByteArray answers;
        for (const char c : sent) // byte by byte, as a slow line brings it
            answers += conversation.take(QByteArrayView(&c, 1));
        if (row[0].contains("dump"))
            QVERIFY(answers.startsWith(row[1].toLatin1()) && answers.endsWith("\ndone\n"));
        else
            QCOMPARE(answers, row[1].toLatin1());
        QCOMPARE(target.changes.join(' '), row[2]);
        QCOMPARE(conversation.ended(), row[0].startsWith("q") || row[1] == "RPRT -8\n");
    }

    // Where the port listens; one that cannot open is told in the operator's words.
    void listenAddresses_data()
    {
        rows({{"a port: loopback", "4532", "127.0.0.1:4532"},
              {"written out", " 0.0.0.0:4533 ", "0.0.0.0:4533"},
              {"IPv6", "[::1]:4534", "::1:4534"},
              {"localhost", "localhost:4535", "127.0.0.1:4535"},
              {"port 0", "0", "none"},
              {"too high", "65536", "none"},
              {"no address", "example.org:4532", "none"},
              {"no port", "127.0.0.1:", "none"}});
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
        QVERIFY(!server.start(" "));
    }

    void messageFileReadIsBounded()
    {
        put(QString(64 * 1024 + 1, u'E'));
        QCOMPARE(MessageFile::read(file).value_or("").size(), 64 * 1024);
    }
};

QTEST_GUILESS_MAIN(tst_Core)
#include "tst_core.moc"
