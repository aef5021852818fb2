#include "PanelFixture.h"
#include "panel/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

// The INI facility and the settings file the panel keeps in it.
class tst_SettingsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
    void write_data();
    void write();
    void failedAndAtomicSaves();
    void load_data();
    void load();
    void saveKeepsTheRest();
    void path();
};

namespace {
QTemporaryDir dir;
const QString file = dir.filePath("vako-panel.ini");
const QByteArray kFirstRun = settingsWith({{"BIRCH:BaudRate= 115200", "Baudrate= 115200"}});

QByteArray bytes(const QString &path = file)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void put(const QByteArray &text, const QString &path = file)
{
    QFile f(path);
    QVERIFY(text.isNull() ? !f.exists() || f.remove()
                          : f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
}
} // namespace

void tst_SettingsFile::read_data()
{
    QTest::addColumn<QByteArray>("text"); // null: no file
    QTest::addColumn<QString>("key");     // in section S
    QTest::addColumn<QString>("value");   // the facility's, "none" for missing
    QTest::addColumn<QString>("profile"); // as ReadProfileString gives it
    const QByteArray x1022(1022, 'x');
    const QString s1022 = QString::fromLatin1(x1022);
    QTest::newRow("names in any case, value trimmed")
        << QByteArray("[s]\r\n mODEL = \tbirch \r\n") << "Model"
        << "birch"
        << "birch";
    QTest::newRow("no file") << QByteArray() << "K"
                             << "none"
                             << "";
    QTest::newRow("missing section") << QByteArray("[T]\nK=1\n") << "K"
                                     << "none"
                                     << "";
    QTest::newRow("missing key") << QByteArray("[S]\nK=1\n") << "L"
                                 << "none"
                                 << "";
    QTest::newRow("first wins") << QByteArray("[S]\nK=1\nk=2\n[s]\nK=3\n") << "K"
                                << "1"
                                << "1";
    QTest::newRow("DEFAULT STRING") << QByteArray("[S]\nK=DEFAULT STRING\n") << "K"
                                    << "DEFAULT STRING"
                                    << "";
    QTest::newRow("cut at 1023") << "[S]\nK=" + x1022 + "yz\n"
                                 << "K" << s1022 + "y" << s1022 + "y";
    QTest::newRow("NUL ends the value") << QByteArray("[S]\nK=12\0"
                                                      "34\n",
                                                      13)
                                        << "K"
                                        << QString::fromLatin1("12\0"
                                                               "34",
                                                               5)
                                        << "12";
    // The cut's blanks are no part of the value: a save would write them, the next read drop them.
    QTest::newRow("blank before the NUL") << QByteArray("[S]\nK=AB \0\x01\n", 12) << "K"
                                          << QString::fromLatin1("AB \0\x01", 5) << "AB";
    QTest::newRow("blank at the 1023rd") << "[S]\nK=" + x1022 + " yy\n"
                                         << "K" << s1022 + " " << s1022;
}

void tst_SettingsFile::read()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, profile);
    put(text);
    QCOMPARE(readProfileValue(file, "S", key, "none", 1024), value);
    QCOMPARE(SettingsFile::ReadProfileString(file, "S", key), profile);
}

void tst_SettingsFile::write_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("key");       // in section S, set to "2"
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("new file") << QByteArray() << "K" << QByteArray("[S]\nK=2\n");
    QTest::newRow("replace, CR LF, comments kept")
        << QByteArray("; c\r\n[S]\r\n\t k  = 1 \r\nU = u \r\n") << "K"
        << QByteArray("; c\r\n[S]\r\n\t k  =2\r\nU = u \r\n");
    QTest::newRow("replace, no final end")
        << QByteArray("[S]\r\nK=1") << "K" << QByteArray("[S]\r\nK=2");
    QTest::newRow("replace the first of two")
        << QByteArray("[S]\nK=1\nk=3\n") << "K" << QByteArray("[S]\nK=2\nk=3\n");
    QTest::newRow("append after the last entry")
        << QByteArray("[S]\nA=1\n\n; c\n[T]\n") << "K" << QByteArray("[S]\nA=1\nK=2\n\n; c\n[T]\n");
    QTest::newRow("append a section, no final end")
        << QByteArray("[T]\nA=1") << "K" << QByteArray("[T]\nA=1\n[S]\nK=2\n");
    QTest::newRow("NUL bytes survive")
        << QByteArray("[S]\nN=\0\nK=1\n\0", 13) << "K" << QByteArray("[S]\nN=\0\nK=2\n\0", 13);
    QTest::newRow("huge line") << QByteArray(100000, '=') << "K"
                               << QByteArray(100000, '=') + "\n[S]\nK=2\n";
}

void tst_SettingsFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    put(before);
    QVERIFY(writeProfileValue(file, "S", key, "2"));
    QCOMPARE(bytes(), after);
}

void tst_SettingsFile::failedAndAtomicSaves()
{
    put("[S]\nK=1\n");
    const QString old = dir.filePath("old");
    QCOMPARE(::link(qPrintable(file), qPrintable(old)), 0);
    QVERIFY(writeProfileValue(file, "S", "K", "2")); // a rename: the old file is not overwritten
    QCOMPARE(bytes(old), QByteArray("[S]\nK=1\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"old", "vako-panel.ini"}));
    QVERIFY(QFile::setPermissions(old, QFile::ReadOwner));
    for (const QString &path : {old, dir.path(), dir.filePath("missing/x.ini"), old + "/x.ini"})
        QVERIFY2(!writeProfileValue(path, "S", "K", "3"), qPrintable(path));
    QCOMPARE(bytes(old), QByteArray("[S]\nK=1\n"));
}

void tst_SettingsFile::load_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QByteArray>("after");
    const QByteArray birch = settingsWith({{"Model=BIRCH", "Model=birch"}});
    const QByteArray noStep = settingsWith({{"ALDER:Step= 1", "Other=x"}});
    QTest::newRow("first run") << QByteArray() << kFirstRun;
    QTest::newRow("Model empty") << settingsWith({{"Model=BIRCH", "Model="}}) << settingsWith({});
    QTest::newRow("DEFAULT STRING")
        << settingsWith({{"Model=BIRCH", "Model=DEFAULT STRING"}}) << settingsWith({});
    QTest::newRow("birch kept") << birch << birch;
    QTest::newRow("missing key not repaired") << noStep << noStep;
}

void tst_SettingsFile::load()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    put(before);
    Session session;
    session.setBuiltInValues();
    SettingsFile(session, file).LoadSettings();
    QCOMPARE(bytes(), after);
    QCOMPARE(session.state.Model, after.contains("birch") ? "birch" : "BIRCH");
    QCOMPARE(session.profile(ModelId::Alder).Step, after.contains("Other") ? Number() : Number(1));
}

void tst_SettingsFile::saveKeepsTheRest()
{
    put("; notes\r\n[Ports]\r\nCom3=/dev/ttyUSB0\r\n[VAKO]\r\nModel=ALDER\r\nColour=green\r\n");
    Session session;
    SettingsFile settings(session, file);
    settings.LoadSettings();
    session.profile(ModelId::Birch).BaudRate = 19200;
    session.profile(ModelId::Alder).Step = Number(); // written as the built-in value
    QVERIFY(settings.SaveSettings());
    QVERIFY(bytes().startsWith(
        "; notes\r\n[Ports]\r\nCom3=/dev/ttyUSB0\r\n[VAKO]\r\nModel=ALDER\r\n"
        "Colour=green\r\nKeyer_Type= 2\r\n[ALDER_settings]\r\nFrequency= 136000\r\nStep= 1\r\n"));
    QVERIFY(bytes().endsWith("Power= 0\r\nBaudRate= 19200\r\nPortnumber= 0\r\n"));
    put(kFirstRun); // a later save keeps one BIRCH baud-rate entry
    settings.SaveSettings();
    QCOMPARE(bytes(), settingsWith({{"BIRCH:BaudRate= 115200", "Baudrate= 19200"},
                                    {"Model=BIRCH", "Model=ALDER"}}));
}

void tst_SettingsFile::path()
{
    QCOMPARE(settingsPathFor(dir.filePath("vako-panel")), file);
    QStandardPaths::setTestModeEnabled(true); // /sys takes no files, not even root's
    QCOMPARE(settingsPathFor("/sys/vako-panel"),
             QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                 "/vako-panel.ini");
    // A file that cannot be created at all: the built-in values, not empty texts.
    Session session;
    session.setBuiltInValues();
    SettingsFile(session, QStringLiteral("/sys/vako-panel.ini")).LoadSettings();
    QCOMPARE(session.state.Model, QStringLiteral("BIRCH"));
    QCOMPARE(session.profile(ModelId::Birch).Frequency, Number(500000));
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"
