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
#ifdef Q_OS_WIN
#include <qt_windows.h>
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
        rows({{"blank, sign, text after", "number", " -12abc", "-12"},
              {"zero is a number", "number", "0", "0"},
              {"empty", "number", "", "none"},
              {"sign alone", "number", "-", "none"},
              {"18 digits", "number", "999999999999999999", "999999999999999999"},
              {"19 digits overflow", "number", "9999999999999999999", "none"},
              {"five-digit frequency", "kHz", "99999", "99.999"},
              {"seven-digit frequency", "kHz", "1000000", "1000.000"},
              {"below 1 kHz", "kHz", "42", "0.042"},
              {"20 wpm", "wpm", "200", "20"},
              {"9.5 wpm", "wpm", "95", "9.5"},
              {"0.5 wpm", "wpm", "5", "0.5"},
              {"six of 500000", "field 6", "500000", "500000"},
              {"six of 99999: the blank stays", "field 6", "99999", " 99999"},
              {"six of 1000000: the first digit goes", "field 6", "1000000", "000000"},
              {"three of 5", "field 3", "5", " 5"},
              {"three of -5", "field 3", "-5", "-5"},
              {"one of 2", "field 1", "2", "2"},
              {"a line", "line", "=F500000", "3D463530303030300D"},
              {"stop, digit zero", "line", "=B0", "3D42300D"},
              {"Latin-1 letter", "line", "=MJÖ", "3D4D4AD60D"},
              {"euro, 0x80 row", "line", "=M€", "3D4D800D"},
              {"outside the code page", "line", "=MЖ", "3D4D3F0D"},
              {"astral is one ?", "line", "=M😀", "3D4D3F0D"}});
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

    void saveKeepsTheRest()
    {
        put("; notes\r\n[Ports]\r\nCom3=/dev/ttyUSB0\r\n[VAKO]\r\nModel=ALDER\r\nX=y\r\n");
        Session session;
        SettingsFile settings(session, file);
        settings.LoadSettings();
        session.profile(ModelId::Birch).BaudRate = 19200;
        session.profile(ModelId::Alder).Step = Number(); // spells no number: the built-in value
        QVERIFY(settings.SaveSettings());
        QVERIFY(fileBytes(file).startsWith(
            "; notes\r\n[Ports]\r\nCom3=/dev/ttyUSB0\r\n[VAKO]\r\nModel=ALDER\r\nX=y\r\n"
            "Keyer_Type= 2\r\n[ALDER_settings]\r\nFrequency= 136000\r\nStep= 1\r\n"));
        QVERIFY(fileBytes(file).endsWith("Power= 0\r\nBaudRate= 19200\r\nPortnumber= 0\r\n"));
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

    // A preset stands in for a per-user file that does not exist yet, and the
    // first save writes the per-user file from it, its other lines included.
    void presetBesideTheProgram()
    {
        const QString preset = dir.filePath("preset.ini"), own = dir.filePath("own.ini");
        putFile(preset, "[Ports]\nCom2=/dev/ttyUSB7\n; station 2\n" +
                            settingsWith({{"Model=BIRCH", "Model=ALDER"}}));
        QFile::remove(own);
        Session session;
        session.setBuiltInValues();
        SettingsFile settings(session, SettingsLocation(own, preset));
        settings.LoadSettings();
        QCOMPARE(session.state.Model, "ALDER");
        QVERIFY(settings.SaveSettings());
        QCOMPARE(fileBytes(own), fileBytes(preset));
        putFile(preset, "[VAKO]\nModel=BIRCH\n"); // once the per-user file exists, it counts
        settings.LoadSettings();
        QCOMPARE(session.state.Model, "ALDER");
    }

    // Message files in the system's code page, and a file another program
    // holds is not replaced: Windows only; elsewhere Windows-1252 stays.
    void codePageAndHeldFiles()
    {
        put("CQ");
#ifdef Q_OS_WIN
        QCOMPARE(Platform::fromAnsiCodePage(Platform::toAnsiCodePage("CQ DE VAKO K").value()),
                 "CQ DE VAKO K");
        const HANDLE held =
            ::CreateFileW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(file).utf16()),
                          GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        QVERIFY(!MessageFile::replaceable(file));
        ::CloseHandle(held);
#else
        QVERIFY(!Platform::toAnsiCodePage("CQ") && !Platform::fromAnsiCodePage("CQ"));
#endif
        QVERIFY(MessageFile::replaceable(file));
    }

    // Hamlib's network rig protocol as rigctld answers it, and what each
    // command asks of the panel. "closed:" sends with the serial port closed.
    void stationProgram_data()
    {
        const QString dump = "1\n2\n0\n0.000000 999999.000000 0x2 -1 -1 0x1 0x1\n";
        rows(
            {{"frequency", "f\n", "500000\n", ""},
             {"extended", "+f\n", "get_freq:\nFrequency: 500000\nRPRT 0\n", ""},
             {"extended, one line", ";f\n", "get_freq:;Frequency: 500000;RPRT 0\n", ""},
             {"tune as the client writes it", "F 500100.000000\n", "RPRT 0\n", "F500100"},
             {"tune, extended", "+F 500100\n", "set_freq: 500100\nRPRT 0\n", "F500100"},
             {"past the field", "F 1000000\n", "RPRT -1\n", ""},
             {"a fraction of a hertz", "F 500100.5\n", "RPRT -1\n", ""},
             {"no number", "F abc\n", "RPRT -1\n", ""},
             {"below zero", "F -5\n", "RPRT -1\n", ""},
             {"argument missing", "F\n", "RPRT -1\n", ""},
             {"port closed: nothing sent", "closed:F 500100\n", "RPRT -6\n", ""},
             {"mode", "m\n", "CW\n0\n", ""},
             {"mode CW", "M CW 0\n", "RPRT 0\n", ""},
             {"mode USB refused", "M USB 2400\n", "RPRT -1\n", ""},
             {"VFO", "v\nV VFOA\nV VFOB\n", "VFOA\nRPRT 0\nRPRT -16\n", ""},
             {"speed", "l KEYSPD\n+l KEYSPD\n", "20\nget_level: KEYSPD\n20\nRPRT 0\n", ""},
             {"speeds onto the grid", "L KEYSPD 25\nL KEYSPD 12.4\nL KEYSPD 0.5\n",
              "RPRT 0\nRPRT 0\nRPRT 0\n", "S250 S120 S5"},
             {"speeds off the grid", "L KEYSPD 51\nL KEYSPD 0.04\n", "RPRT -1\nRPRT -1\n", ""},
             {"power", "l RFPOWER\n", "0.666667\n", ""},
             {"powers", "L RFPOWER 0\nL RFPOWER 0.5\nL RFPOWER 1\nL RFPOWER 1.5\n",
              "RPRT 0\nRPRT 0\nRPRT 0\nRPRT -1\n", "P0 P2 P3"},
             {"unknown level", "l FOO\nL FOO 1\n", "RPRT -1\nRPRT -11\n", ""},
             {"a message", "b CQ DE TEST\n", "RPRT 0\n", "M:CQ DE TEST"},
             {"a message, extended", "+\\send_morse CQ\n", "send_morse:  CQ\nRPRT 0\n", "M:CQ"},
             {"a message too long", "b " + QString(201, 'E') + "\n", "RPRT -1\n", ""},
             {"stop", "\\stop_morse\n", "RPRT 0\n", "stop"},
             {"stop, port closed", "closed:\\stop_morse\n", "RPRT -6\n", ""},
             {"the client's opening", "\\chk_vfo\nv\nf\ns\nm\n\\get_powerstat\n",
              "0\nVFOA\n500000\n0\nVFOA\nCW\n0\n1\n", ""},
             {"before a mode", "\\get_lock_mode\nt\n+\\chk_vfo\n", "0\nRPRT 0\n0\nChkVFO: 0\n", ""},
             {"several on a line, CR LF", "fm +v\r\n",
              "500000\nCW\n0\nget_vfo:\nVFO: VFOA\nRPRT 0\n", ""},
             {"unknown, blank, binary: no answer", "x\n\\nonexistent\n \t\n\x01\x02\xff\n", "", ""},
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
    }

    // A port that cannot open is told, in the operator's words; none is asked for.
    void listenFailureIsTold()
    {
        FakeRigTarget target;
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        RigServer server(target);
        QVERIFY(!server.start(" "));
        QCOMPARE(server.start(QString::number(taken.serverPort())).value_or("").section(':', 1),
                 " The bound address is already in use.\nThe panel runs on without it.");
        QVERIFY(server.start("abc").value_or("").startsWith(
            "The port for other programs (abc) cannot be opened: it is no port number"));
    }

    void messageFileReadIsBounded()
    {
        put(QString(64 * 1024 + 1, u'E'));
        QCOMPARE(MessageFile::read(file).value_or("").size(), 64 * 1024);
    }
};

QTEST_GUILESS_MAIN(tst_Core)
#include "tst_core.moc"
