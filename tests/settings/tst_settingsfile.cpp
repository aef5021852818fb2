#include "panel/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The settings file as the panel reads and writes it.
class tst_SettingsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void firstRunWritesTheBuiltInValues();
    void furtherSaveKeepsOneBaudRateEntry();
    void unusableModelRewritesTheFile_data();
    void unusableModelRewritesTheFile();
    void readProfileString_data();
    void readProfileString();
    void missingKeyLoadsAsNoNumberAndIsNotRepaired();
    void saveWritesEveryEntryAndKeepsTheRest();
    void saveWritesBuiltInValueForNoNumber();
    void uncreatableFileStartsOnBuiltInValues();
    void pathBesideTheProgram();
    void pathInUserFolderWhenProgramFolderIsReadOnly();

private:
    QString write(const QByteArray &bytes);
    QByteArray contents() const;
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

const QByteArray kFirstRunFile = "[VAKO]\n"
                                 "Model=BIRCH\n"
                                 "Keyer_Type= 2\n"
                                 "[ALDER_settings]\n"
                                 "Frequency= 136000\n"
                                 "Step= 1\n"
                                 "CW_speed= 100\n"
                                 "Power= 1\n"
                                 "BaudRate= 115200\n"
                                 "Portnumber= 0\n"
                                 "[BIRCH_settings]\n"
                                 "Frequency= 500000\n"
                                 "Step= 2\n"
                                 "CW_speed= 200\n"
                                 "Power= 0\n"
                                 "Baudrate= 115200\n"
                                 "Portnumber= 0\n";

bool sameProfile(const ModelProfile &a, const ModelProfile &b)
{
    return a.Frequency == b.Frequency && a.Step == b.Step && a.CW_speed == b.CW_speed &&
           a.Power == b.Power && a.BaudRate == b.BaudRate && a.Portnumber == b.Portnumber;
}

} // namespace

void tst_SettingsFile::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_SettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("vako-panel.ini"));
}

QString tst_SettingsFile::write(const QByteArray &bytes)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return m_path;
}

QByteArray tst_SettingsFile::contents() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_SettingsFile::firstRunWritesTheBuiltInValues()
{
    Session session;
    session.setBuiltInValues();
    SettingsFile settings(session, m_path);
    settings.LoadSettings();

    QCOMPARE(contents(), kFirstRunFile);
    QCOMPARE(session.state.Model, QStringLiteral("BIRCH"));
    QCOMPARE(session.state.Keyer_Type, Number(2));
    QVERIFY(
        sameProfile(session.profile(ModelId::Alder), ModelProfile{136000, 1, 100, 1, 115200, 0}));
    QVERIFY(
        sameProfile(session.profile(ModelId::Birch), ModelProfile{500000, 2, 200, 0, 115200, 0}));

    // A start with the file in place reads it and leaves it untouched.
    Session again;
    again.setBuiltInValues();
    again.state.Model = QStringLiteral("changed before loading");
    SettingsFile(again, m_path).LoadSettings();
    QCOMPARE(again.state.Model, QStringLiteral("BIRCH"));
    QCOMPARE(contents(), kFirstRunFile);
}

void tst_SettingsFile::furtherSaveKeepsOneBaudRateEntry()
{
    Session session;
    session.setBuiltInValues();
    SettingsFile settings(session, m_path);
    settings.LoadSettings();
    session.profile(ModelId::Birch).BaudRate = 19200;
    QVERIFY(settings.SaveSettings());

    const QByteArray text = contents();
    const QByteArray birch = text.mid(text.indexOf("[BIRCH_settings]"));
    QCOMPARE(birch.toLower().count("baudrate="), 1);
    QCOMPARE(SettingsFile::ReadProfileString(m_path, "BIRCH_settings", "BaudRate"),
             QStringLiteral("19200"));
}

void tst_SettingsFile::unusableModelRewritesTheFile_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<bool>("rewritten");
    QTest::newRow("empty") << QByteArray("Model=") << true;
    QTest::newRow("blanks only") << QByteArray("Model=   ") << true;
    QTest::newRow("DEFAULT STRING") << QByteArray("Model=DEFAULT STRING") << true;
    QTest::newRow("missing key") << QByteArray("Other=1") << true;
    QTest::newRow("lower-case birch is a model text") << QByteArray("Model=birch") << false;
    QTest::newRow("default string in other case") << QByteArray("Model=default string") << false;
}

void tst_SettingsFile::unusableModelRewritesTheFile()
{
    QFETCH(QByteArray, model);
    QFETCH(bool, rewritten);
    write("[VAKO]\n" + model + "\nKeyer_Type= 0\n[ALDER_settings]\nFrequency= 137000\n");
    Session session;
    session.setBuiltInValues();
    SettingsFile(session, m_path).LoadSettings();

    if (rewritten) {
        QCOMPARE(session.state.Model, QStringLiteral("BIRCH"));
        QCOMPARE(session.state.Keyer_Type, Number(2));
        QCOMPARE(session.profile(ModelId::Alder).Frequency, Number(136000));
    } else {
        QCOMPARE(session.state.Model, QString::fromLatin1(model.mid(6)));
        QCOMPARE(session.state.Keyer_Type, Number(0));
        QCOMPARE(session.profile(ModelId::Alder).Frequency, Number(137000));
        QVERIFY(contents().startsWith("[VAKO]\n" + model + "\n"));
    }
}

void tst_SettingsFile::readProfileString_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QByteArray longValue(2000, 'x');
    QTest::newRow("blanks around the value") << QByteArray("[S]\nPower=  3 \n") << "S"
                                             << "Power"
                                             << "3";
    QTest::newRow("names in other case") << QByteArray("[vako]\nMODEL=ALDER\n") << "VAKO"
                                         << "Model"
                                         << "ALDER";
    QTest::newRow("value letter for letter") << QByteArray("[VAKO]\nModel=birch\n") << "VAKO"
                                             << "Model"
                                             << "birch";
    QTest::newRow("cut at 1023") << QByteArray("[S]\nK=" + longValue + "\n") << "S"
                                 << "K" << QString(1023, u'x');
    QTest::newRow("missing section") << QByteArray("[S]\nK=1\n") << "T"
                                     << "K"
                                     << "";
    QTest::newRow("missing key") << QByteArray("[S]\nK=1\n") << "S"
                                 << "L"
                                 << "";
    QTest::newRow("DEFAULT STRING reads empty") << QByteArray("[S]\nK=DEFAULT STRING\n") << "S"
                                                << "K"
                                                << "";
    QTest::newRow("NUL ends the value") << QByteArray("[S]\nK=12\0"
                                                      "34\n",
                                                      13)
                                        << "S"
                                        << "K"
                                        << "12";
    // Blanks that the cut leaves at the end are no part of the value either:
    // a save writes what was read, and the next read must find the same.
    QTest::newRow("blank before the NUL")
        << QByteArray("[VAKO]\nModel=DEFAULT \0\x01\n", 24) << "VAKO"
        << "Model"
        << "DEFAULT";
    QTest::newRow("blank at the 1023rd character")
        << QByteArray("[S]\nK=" + QByteArray(1022, 'x') + " yyy\n") << "S"
        << "K" << QString(1022, u'x');
    QTest::newRow("DEFAULT STRING before the NUL")
        << QByteArray("[S]\nK=DEFAULT STRING \0x\n", 24) << "S"
        << "K"
        << "";
}

void tst_SettingsFile::readProfileString()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    write(file);
    QCOMPARE(SettingsFile::ReadProfileString(m_path, section, key), value);
    QCOMPARE(SettingsFile::ReadProfileString(m_dir->filePath("absent.ini"), section, key),
             QString());
}

void tst_SettingsFile::missingKeyLoadsAsNoNumberAndIsNotRepaired()
{
    QByteArray file = kFirstRunFile;
    file.replace("Step= 1\n", "");
    write(file);
    Session session;
    session.setBuiltInValues();
    SettingsFile(session, m_path).LoadSettings();
    QCOMPARE(session.profile(ModelId::Alder).Step, Number());
    QCOMPARE(session.profile(ModelId::Birch).Step, Number(2));
    QCOMPARE(contents(), file);
}

void tst_SettingsFile::saveWritesEveryEntryAndKeepsTheRest()
{
    const QByteArray before = "; the operator's notes\r\n"
                              "[Ports]\r\n"
                              "Com3=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\r\n"
                              "\r\n"
                              "[VAKO]\r\n"
                              "Model=ALDER\r\n"
                              "Keyer_Type=3\r\n"
                              "Colour=green\r\n";
    write(before);
    Session session;
    session.setBuiltInValues();
    SettingsFile settings(session, m_path);
    settings.LoadSettings();
    QCOMPARE(session.state.Model, QStringLiteral("ALDER"));
    session.profiles = {ModelProfile{137100, 0, 55, 3, 9600, 3},
                        ModelProfile{505000, 3, 300, 2, 19200, 0}};
    QVERIFY(settings.SaveSettings());

    const QByteArray after = contents();
    QVERIFY(after.startsWith("; the operator's notes\r\n[Ports]\r\n"
                             "Com3=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\r\n\r\n"
                             "[VAKO]\r\nModel=ALDER\r\nKeyer_Type= 3\r\nColour=green\r\n"));
    Session reread;
    SettingsFile(reread, m_path).LoadSettings();
    QCOMPARE(reread.state.Keyer_Type, Number(3));
    QVERIFY(sameProfile(reread.profile(ModelId::Alder), session.profile(ModelId::Alder)));
    QVERIFY(sameProfile(reread.profile(ModelId::Birch), session.profile(ModelId::Birch)));
    QCOMPARE(IniDocument::load(m_path).value("Ports", "Com3"),
             QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
}

void tst_SettingsFile::saveWritesBuiltInValueForNoNumber()
{
    Session session;
    session.setBuiltInValues();
    session.state.Keyer_Type = Number();
    session.profile(ModelId::Alder).Step = Number();
    session.profile(ModelId::Birch).Frequency = Number();
    session.state.Model = QString();
    SettingsFile settings(session, m_path);
    QVERIFY(settings.SaveSettings());
    const IniDocument saved = IniDocument::load(m_path);
    QCOMPARE(saved.value("VAKO", "Keyer_Type"), QStringLiteral("2"));
    QCOMPARE(saved.value("ALDER_settings", "Step"), QStringLiteral("1"));
    QCOMPARE(saved.value("BIRCH_settings", "Frequency"), QStringLiteral("500000"));
    // An empty model is written empty, so the next start rewrites the defaults.
    QCOMPARE(saved.value("VAKO", "Model"), QString());
}

void tst_SettingsFile::uncreatableFileStartsOnBuiltInValues()
{
    // /sys takes no files, not even from the administrator.
    Session session;
    session.setBuiltInValues();
    SettingsFile settings(session, QStringLiteral("/sys/vako-panel-test.ini"));
    settings.LoadSettings();
    QCOMPARE(session.state.Model, QStringLiteral("BIRCH"));
    QVERIFY(sameProfile(session.profile(ModelId::Birch), modelTable()[1].builtIn));
    QVERIFY(!settings.SaveSettings());
}

void tst_SettingsFile::pathBesideTheProgram()
{
    const QString program = m_dir->filePath(QStringLiteral("vako-panel"));
    QCOMPARE(settingsPathFor(program), m_dir->filePath(QStringLiteral("vako-panel.ini")));
    QCOMPARE(settingsPathFor(m_dir->filePath(QStringLiteral("vako-panel.exe"))),
             m_dir->filePath(QStringLiteral("vako-panel.ini")));
}

void tst_SettingsFile::pathInUserFolderWhenProgramFolderIsReadOnly()
{
    const QString path = settingsPathFor(QStringLiteral("/sys/vako-panel"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QCOMPARE(path, folder + QStringLiteral("/vako-panel.ini"));
    QVERIFY(QDir(folder).exists());

    // And the file there works like the one beside the program.
    QFile::remove(path);
    Session session;
    session.setBuiltInValues();
    SettingsFile(session, path).LoadSettings();
    QVERIFY(QFile::exists(path));
    QFile::remove(path);
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"
