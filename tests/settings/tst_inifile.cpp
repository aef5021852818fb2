#include "settings/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// A byte string literal with its embedded NULs.
template <size_t N> QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

#ifdef Q_OS_WIN
const QByteArray nl("\r\n");
#else
const QByteArray nl("\n");
#endif

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

// Filler of short "key=value" lines up to about size bytes.
QByteArray filler(qsizetype size, const QByteArray &end)
{
    QByteArray bytes;
    bytes.reserve(size + 64);
    for (int i = 0; bytes.size() < size; ++i)
        bytes += "k" + QByteArray::number(i) + "=v" + end;
    return bytes;
}

} // namespace

class TstIniFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void nameMatching_data();
    void nameMatching();
    void entriesOfSection_data();
    void entriesOfSection();

    void defaults_data();
    void defaults();
    void valueBlanks_data();
    void valueBlanks();
    void bufferCut_data();
    void bufferCut();

    void writeKeepsOtherBytes_data();
    void writeKeepsOtherBytes();
    void firstRunFile();
    void rejectedEntries_data();
    void rejectedEntries();
    void ansiRoundTrip_data();
    void ansiRoundTrip();

    void anyBytes_data();
    void anyBytes();
    void largeFiles_data();
    void largeFiles();
    void fileBeyondLimit_data();
    void fileBeyondLimit();

    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void saveReplacesFileWhole();

private:
    QString path(const QString &name = QStringLiteral("vako-panel.ini")) const
    {
        return m_dir->filePath(name);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// ---- finding sections and keys -------------------------------------------

void TstIniFile::nameMatching_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("expected");

    const QByteArray panel = "[VAKO]\nModel=BIRCH\nKeyer_Type= 2\n"
                             "[BIRCH_settings]\nBaudRate= 115200\n";
    QTest::newRow("exact") << panel << "VAKO"
                           << "Model" << true << "BIRCH";
    QTest::newRow("section in other case") << panel << "vako"
                                           << "Model" << true << "BIRCH";
    QTest::newRow("key in other case") << panel << "VAKO"
                                       << "MODEL" << true << "BIRCH";
    QTest::newRow("Baudrate finds BaudRate") << panel << "birch_SETTINGS"
                                             << "Baudrate" << true << "115200";
    QTest::newRow("blanks around asked names") << panel << " VAKO\t"
                                               << "\tModel " << true << "BIRCH";
    QTest::newRow("value keeps its case") << QByteArray("[VAKO]\nModel=birch\n") << "VAKO"
                                          << "Model" << true << "birch";
    QTest::newRow("blanks around names in file")
        << QByteArray(" \t[ VAKO\t]\n\t Model  = BIRCH\n") << "VAKO"
        << "Model" << true << "BIRCH";
    QTest::newRow("text after ] ignored")
        << QByteArray("[VAKO] ; global choices\nModel=BIRCH\n") << "VAKO"
        << "Model" << true << "BIRCH";
    QTest::newRow("Windows-1252 letters fold")
        << QByteArray("[R\xE9glages]\nCl\xE9=1\n") << QString::fromUtf8("RÉGLAGES")
        << QString::fromUtf8("CLÉ") << true << "1";
    QTest::newRow("UTF-8 mark before first section")
        << QByteArray("\xEF\xBB\xBF[VAKO]\nModel=BIRCH\n") << "VAKO"
        << "Model" << true << "BIRCH";
    QTest::newRow("first '=' splits") << QByteArray("[S]\na=b=c\n") << "S"
                                      << "a" << true << "b=c";
    QTest::newRow("key in another section") << panel << "VAKO"
                                            << "BaudRate" << false << QString();
    QTest::newRow("key prefix is not the key") << panel << "VAKO"
                                               << "Mode" << false << QString();
    QTest::newRow("section prefix is not the section")
        << QByteArray("[VAKO_x]\nModel=A\n") << "VAKO"
        << "Model" << false << QString();
    QTest::newRow("key before any section") << QByteArray("Model=ALDER\n[VAKO]\n") << "VAKO"
                                            << "Model" << false << QString();
    QTest::newRow("empty key never matches") << QByteArray("[VAKO]\n=x\n  =y\n") << "VAKO"
                                             << "" << false << QString();
    QTest::newRow("empty section never matches") << QByteArray("[]\nModel=x\n") << ""
                                                 << "Model" << false << QString();
    QTest::newRow("unterminated [ does not end section")
        << QByteArray("[VAKO]\n[unterminated\nModel=BIRCH\n") << "VAKO"
        << "Model" << true << "BIRCH";
    QTest::newRow("next section ends the first")
        << QByteArray("[VAKO]\n[Other]\nModel=BIRCH\n") << "VAKO"
        << "Model" << false << QString();
    QTest::newRow("first of duplicate keys")
        << QByteArray("[VAKO]\nModel=ALDER\nmodel=BIRCH\n") << "VAKO"
        << "Model" << true << "ALDER";
    QTest::newRow("first of duplicate sections")
        << QByteArray("[VAKO]\nModel=ALDER\n[vako]\nModel=BIRCH\n") << "VAKO"
        << "Model" << true << "ALDER";
    QTest::newRow("later duplicate section ignored")
        << QByteArray("[VAKO]\nKeyer_Type=1\n[VAKO]\nModel=BIRCH\n") << "VAKO"
        << "Model" << false << QString();
    QTest::newRow("CR only") << QByteArray("[A]\rx=1\r[VAKO]\rModel=BIRCH\r") << "VAKO"
                             << "Model" << true << "BIRCH";
    QTest::newRow("mixed ends, no final end")
        << QByteArray("[A]\r\nx=1\r[VAKO]\nModel=BIRCH") << "VAKO"
        << "Model" << true << "BIRCH";
    QTest::newRow("CR CR LF is two ends") << QByteArray("[VAKO]\r\r\nModel=BIRCH\r\r\n") << "VAKO"
                                          << "Model" << true << "BIRCH";
    QTest::newRow("NUL inside lines")
        << raw("[VA\0KO]\nModel=A\n[VAKO]\nMo\0del=B\nModel=C\0D\n") << "VAKO"
        << "Model" << true << QString("C") + QChar(0) + "D";
}

void TstIniFile::nameMatching()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QFETCH(QString, expected);

    const IniDocument doc = IniDocument::fromBytes(file);
    const std::optional<QString> value = doc.value(section, key);
    QCOMPARE(value.has_value(), found);
    if (found) {
        QCOMPARE(*value, expected);
        QVERIFY(doc.hasSection(section));
    }

    // The same answer through the file on disk.
    QVERIFY(writeFile(path(), file));
    QCOMPARE(readProfileValue(path(), section, key, "DEFAULT STRING", 1024),
             found ? expected : QStringLiteral("DEFAULT STRING"));
}

void TstIniFile::entriesOfSection_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QStringList>("expected"); // "key=value" with names as in the file

    QTest::newRow("in file order, trimmed")
        << QByteArray("[A]\nx=0\n[VAKO]\n Model = BIRCH \n;c=1\nKeyer_Type= 2\n\n[B]\ny=1\n")
        << "vako" << QStringList{"Model=BIRCH", "Keyer_Type=2"};
    QTest::newRow("duplicates: first section, first key")
        << QByteArray("[S]\nA=1\n=skip\na=2\nB=3\n[s]\nC=4\n") << "S" << QStringList{"A=1", "B=3"};
    QTest::newRow("missing section") << QByteArray("[S]\nA=1\n") << "T" << QStringList();
    QTest::newRow("entries before any section") << QByteArray("A=1\n[S]\n") << "S" << QStringList();
}

void TstIniFile::entriesOfSection()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QStringList, expected);

    QStringList actual;
    for (const auto &[key, value] : IniDocument::fromBytes(file).entries(section))
        actual << key + '=' + value;
    QCOMPARE(actual, expected);
}

// ---- reading values ------------------------------------------------------

void TstIniFile::defaults_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file at all
    QTest::addColumn<bool>("pathIsFolder");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray panel("[VAKO]\nModel=BIRCH\nEmpty=\n");
    QTest::newRow("no file") << QByteArray() << false << "VAKO"
                             << "Model"
                             << "DEFAULT STRING";
    QTest::newRow("path is a folder") << QByteArray() << true << "VAKO"
                                      << "Model"
                                      << "DEFAULT STRING";
    QTest::newRow("empty file") << QByteArray("") << false << "VAKO"
                                << "Model"
                                << "DEFAULT STRING";
    QTest::newRow("no section") << panel << false << "ALDER_settings"
                                << "Model"
                                << "DEFAULT STRING";
    QTest::newRow("no key") << panel << false << "VAKO"
                            << "Keyer_Type"
                            << "DEFAULT STRING";
    QTest::newRow("empty value is a value") << panel << false << "VAKO"
                                            << "Empty"
                                            << "";
    QTest::newRow("present") << panel << false << "VAKO"
                             << "Model"
                             << "BIRCH";
}

void TstIniFile::defaults()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, pathIsFolder);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    if (pathIsFolder)
        QVERIFY(QDir(m_dir->path()).mkdir("vako-panel.ini"));
    else if (!file.isNull())
        QVERIFY(writeFile(path(), file));
    QCOMPARE(readProfileValue(path(), section, key, "DEFAULT STRING", 1024), expected);
}

void TstIniFile::valueBlanks_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("sign blank") << QByteArray("Power= 3") << "3";
    QTest::newRow("two before, one after") << QByteArray("Power=  3 ") << "3";
    QTest::newRow("tabs") << QByteArray("Power=\t3\t") << "3";
    QTest::newRow("blanks before =") << QByteArray("Power \t=3") << "3";
    QTest::newRow("inner blanks kept") << QByteArray("Power= a  b ") << "a  b";
    QTest::newRow("only blanks") << QByteArray("Power=   ") << "";
    QTest::newRow("nothing") << QByteArray("Power=") << "";
    QTest::newRow("quotes kept") << QByteArray("Power=\" 3 \"") << "\" 3 \"";
    QTest::newRow("before CR LF") << QByteArray("Power= 3 \r\n") << "3";
    QTest::newRow("before CR") << QByteArray("Power= 3 \r") << "3";
}

void TstIniFile::valueBlanks()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    QVERIFY(writeFile(path(), "[ALDER_settings]\n" + line));
    QCOMPARE(readProfileValue(path(), "ALDER_settings", "Power", "DEFAULT STRING", 1024), expected);
}

void TstIniFile::bufferCut_data()
{
    QTest::addColumn<int>("valueLength"); // -1: the key is missing
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("expectedLength");

    QTest::newRow("1022 in 1024") << 1022 << 1024 << 1022;
    QTest::newRow("1023 in 1024") << 1023 << 1024 << 1023;
    QTest::newRow("1024 in 1024") << 1024 << 1024 << 1023;
    QTest::newRow("100000 in 1024") << 100000 << 1024 << 1023;
    QTest::newRow("5 in 2") << 5 << 2 << 1;
    QTest::newRow("5 in 1") << 5 << 1 << 0;
    QTest::newRow("5 in 0") << 5 << 0 << 0;
    QTest::newRow("default cut too") << -1 << 5 << 4;
}

void TstIniFile::bufferCut()
{
    QFETCH(int, valueLength);
    QFETCH(int, bufferSize);
    QFETCH(int, expectedLength);

    // Distinct characters, so a cut at the wrong end shows.
    QByteArray value;
    for (int i = 0; i < valueLength; ++i)
        value += char('a' + i % 26);
    QByteArray file = "[S]\n";
    if (valueLength >= 0)
        file += "K= " + value + " \n";
    QVERIFY(writeFile(path(), file));

    const QString full = valueLength >= 0 ? QString::fromLatin1(value) : "DEFAULT STRING";
    QCOMPARE(readProfileValue(path(), "S", "K", "DEFAULT STRING", bufferSize),
             full.left(expectedLength));
}

// ---- writing -------------------------------------------------------------

void TstIniFile::writeKeepsOtherBytes_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file yet
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << "VAKO"
                              << "Model"
                              << "BIRCH"
                              << "[VAKO]" + nl + "Model=BIRCH" + nl;
    QTest::newRow("empty file") << QByteArray("") << "VAKO"
                                << "Keyer_Type"
                                << " 2"
                                << "[VAKO]" + nl + "Keyer_Type= 2" + nl;

    // Replacing a value.
    QTest::newRow("replace, CR LF, comments and unknown keys")
        << QByteArray("; panel settings\r\n[VAKO]\r\nModel=ALDER\r\nUnknown = keep me \r\n\r\n"
                      "[Other]\r\nModel=x\r\n")
        << "VAKO"
        << "Model"
        << "BIRCH"
        << QByteArray("; panel settings\r\n[VAKO]\r\nModel=BIRCH\r\nUnknown = keep me \r\n\r\n"
                      "[Other]\r\nModel=x\r\n");
    QTest::newRow("replace keeps spelling and text before =")
        << QByteArray("[alder_SETTINGS]\n\t frequency  = 136000   \nStep= 1\n") << "ALDER_settings"
        << "Frequency"
        << " 137000" << QByteArray("[alder_SETTINGS]\n\t frequency  = 137000\nStep= 1\n");
    QTest::newRow("Baudrate then BaudRate is one entry")
        << QByteArray("[BIRCH_settings]\nBaudrate= 115200\n") << "BIRCH_settings"
        << "BaudRate"
        << " 19200" << QByteArray("[BIRCH_settings]\nBaudrate= 19200\n");
    QTest::newRow("replace, CR only") << QByteArray("[A]\rx=1\r\r;c\r") << "A"
                                      << "x"
                                      << "22" << QByteArray("[A]\rx=22\r\r;c\r");
    QTest::newRow("replace last line, no final end") << QByteArray("[A]\r\nx=1") << "A"
                                                     << "x"
                                                     << "2" << QByteArray("[A]\r\nx=2");
    QTest::newRow("replace with empty value") << QByteArray("[VAKO]\nModel=BIRCH\n") << "VAKO"
                                              << "Model"
                                              << "" << QByteArray("[VAKO]\nModel=\n");
    QTest::newRow("replace first of duplicate keys") << QByteArray("[A]\nx=1\nX=2\n") << "a"
                                                     << "x"
                                                     << "3" << QByteArray("[A]\nx=3\nX=2\n");
    QTest::newRow("NUL bytes elsewhere survive") << raw("[A]\nn=\0\0\nx=1\n\0\n") << "A"
                                                 << "x"
                                                 << "2" << raw("[A]\nn=\0\0\nx=2\n\0\n");

    // Appending a key to its section.
    QTest::newRow("new key after last entry, before blank and comment")
        << QByteArray("[A]\r\nx=1\r\n\r\n; B: y=1 is slow\r\n# y=2 fast\r\n[B]\r\ny=1\r\n") << "A"
        << "z"
        << "3"
        << QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n; B: y=1 is slow\r\n# y=2 fast\r\n[B]\r\ny=1\r\n");
    QTest::newRow("new key after odd lines inside the section")
        << QByteArray("[A]\nx=1\n[unterminated\nodd line\ny=2\n\n[B]\n") << "A"
        << "z"
        << "3" << QByteArray("[A]\nx=1\n[unterminated\nodd line\ny=2\nz=3\n\n[B]\n");
    QTest::newRow("new key in section without entries")
        << QByteArray("[A]\n; nothing yet\n\n[B]\n") << "A"
        << "z"
        << "3" << QByteArray("[A]\nz=3\n; nothing yet\n\n[B]\n");
    QTest::newRow("new key takes the end of the line it follows")
        << QByteArray("[A]\rx=1\n\n[B]\r") << "A"
        << "z"
        << "3" << QByteArray("[A]\rx=1\nz=3\n\n[B]\r");
    QTest::newRow("new key after unterminated last line")
        << QByteArray("[A]\r\nx=1") << "A"
        << "z"
        << "3" << QByteArray("[A]\r\nx=1\r\nz=3\r\n");
    QTest::newRow("new key goes to first of duplicate sections")
        << QByteArray("[A]\nx=1\n[A]\nz=9\n") << "A"
        << "z"
        << "3" << QByteArray("[A]\nx=1\nz=3\n[A]\nz=9\n");
    QTest::newRow("key before any section is not touched")
        << QByteArray("Model=x\n[VAKO]\n") << "VAKO"
        << "Model"
        << "BIRCH" << QByteArray("Model=x\n[VAKO]\nModel=BIRCH\n");
    QTest::newRow("names are written trimmed") << QByteArray("[A]\n") << " A "
                                               << "\tz "
                                               << " 3 " << QByteArray("[A]\nz= 3 \n");

    // Appending a section.
    QTest::newRow("new section at end, CR LF")
        << QByteArray("[A]\r\nx=1\r\n\r\n") << "B"
        << "k"
        << " 0" << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\nk= 0\r\n");
    QTest::newRow("new section, file without final end")
        << QByteArray("[A]\nx=1") << "B"
        << "k"
        << "v" << QByteArray("[A]\nx=1\n[B]\nk=v\n");
    QTest::newRow("new section, CR only") << QByteArray("[A]\r") << "B"
                                          << "k"
                                          << "v" << QByteArray("[A]\r[B]\rk=v\r");
    QTest::newRow("new section behind [unterminated")
        << QByteArray("[unterminated") << "unterminated"
        << "k"
        << "v"
        << "[unterminated" + nl + "[unterminated]" + nl + "k=v" + nl;
}

void TstIniFile::writeKeepsOtherBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    if (!before.isNull())
        QVERIFY(writeFile(path(), before));
    QVERIFY(writeProfileValue(path(), section, key, value));
    QCOMPARE(readFile(path()), after);
    QCOMPARE(readProfileValue(path(), section, key, "DEFAULT STRING", 1024), value.trimmed());

    // Writing the same value again changes nothing.
    QVERIFY(writeProfileValue(path(), section, key, value));
    QCOMPARE(readFile(path()), after);

    // The document gives the same bytes as the file round trip.
    IniDocument doc = IniDocument::fromBytes(before);
    doc.setValue(section, key, value);
    QCOMPARE(doc.toBytes(), after);
}

// The panel's first run writes fourteen entries one call at a time, the BIRCH
// baud rate as "Baudrate"; a later save writes it as "BaudRate".
void TstIniFile::firstRunFile()
{
    const struct
    {
        const char *section, *key, *value;
    } firstRun[] = {
        {"VAKO", "Model", "BIRCH"},
        {"VAKO", "Keyer_Type", " 2"},
        {"ALDER_settings", "Frequency", " 136000"},
        {"ALDER_settings", "Step", " 1"},
        {"ALDER_settings", "CW_speed", " 100"},
        {"ALDER_settings", "Power", " 1"},
        {"ALDER_settings", "BaudRate", " 115200"},
        {"ALDER_settings", "Portnumber", " 0"},
        {"BIRCH_settings", "Frequency", " 500000"},
        {"BIRCH_settings", "Step", " 2"},
        {"BIRCH_settings", "CW_speed", " 200"},
        {"BIRCH_settings", "Power", " 0"},
        {"BIRCH_settings", "Baudrate", " 115200"},
        {"BIRCH_settings", "Portnumber", " 0"},
    };
    for (const auto &entry : firstRun)
        QVERIFY(writeProfileValue(path(), entry.section, entry.key, entry.value));

    const QByteArray expected = "[VAKO]" + nl + "Model=BIRCH" + nl + "Keyer_Type= 2" + nl +
                                "[ALDER_settings]" + nl + "Frequency= 136000" + nl + "Step= 1" +
                                nl + "CW_speed= 100" + nl + "Power= 1" + nl + "BaudRate= 115200" +
                                nl + "Portnumber= 0" + nl + "[BIRCH_settings]" + nl +
                                "Frequency= 500000" + nl + "Step= 2" + nl + "CW_speed= 200" + nl +
                                "Power= 0" + nl + "Baudrate= 115200" + nl + "Portnumber= 0" + nl;
    QCOMPARE(readFile(path()), expected);

    QVERIFY(writeProfileValue(path(), "BIRCH_settings", "BaudRate", " 9600"));
    QByteArray changed = expected;
    changed.replace("Baudrate= 115200", "Baudrate= 9600");
    QCOMPARE(readFile(path()), changed);
    QCOMPARE(readProfileValue(path(), "BIRCH_settings", "BaudRate", "", 1024), "9600");
}

void TstIniFile::rejectedEntries_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("empty key") << "VAKO"
                               << " "
                               << "x";
    QTest::newRow("empty section") << ""
                                   << "Model"
                                   << "x";
    QTest::newRow("LF in value would add a line") << "VAKO"
                                                  << "Model"
                                                  << "x\n[VAKO]\nModel=y";
    QTest::newRow("CR in value") << "VAKO"
                                 << "Model"
                                 << "x\ry";
    QTest::newRow("line break in key") << "VAKO"
                                       << "Mo\ndel"
                                       << "x";
    QTest::newRow("line break in section") << "VA\r\nKO"
                                           << "Model"
                                           << "x";
    QTest::newRow("= in key") << "VAKO"
                              << "a=b"
                              << "x";
    QTest::newRow("key reads as comment") << "VAKO"
                                          << ";Model"
                                          << "x";
    QTest::newRow("key reads as section") << "VAKO"
                                          << "[Model"
                                          << "x";
    QTest::newRow("] in section") << "VA]KO"
                                  << "Model"
                                  << "x";
    QTest::newRow("section outside Windows-1252") << QString::fromUtf8("VAKO✓") << "Model"
                                                  << "x";
}

void TstIniFile::rejectedEntries()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    QVERIFY(!writeProfileValue(path(), section, key, value));
    QVERIFY(!QFileInfo::exists(path()));

    const QByteArray before("[VAKO]\nModel=BIRCH\n");
    QVERIFY(writeFile(path(), before));
    QVERIFY(!writeProfileValue(path(), section, key, value));
    QCOMPARE(readFile(path()), before);

    IniDocument doc = IniDocument::fromBytes(before);
    doc.setValue(section, key, value);
    QCOMPARE(doc.toBytes(), before);
}

void TstIniFile::ansiRoundTrip_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("valueBytes");

    QTest::newRow("é") << "VAKO" << QString::fromUtf8("Café") << QByteArray("Caf\xE9");
    QTest::newRow("€ (0x80)") << "VAKO" << QString::fromUtf8("5 €") << QByteArray("5 \x80");
    QTest::newRow("Œ ™ ÿ") << "VAKO" << QString::fromUtf8("Œ™ÿ") << QByteArray("\x8C\x99\xFF");
    QTest::newRow("section with é") << QString::fromUtf8("Réglages") << "1" << QByteArray("1");
}

void TstIniFile::ansiRoundTrip()
{
    QFETCH(QString, section);
    QFETCH(QString, value);
    QFETCH(QByteArray, valueBytes);

    QVERIFY(writeProfileValue(path(), section, "Note", value));
    const QByteArray file = readFile(path());
    QVERIFY2(file.startsWith('['), "no byte-order mark in front");
    QVERIFY(file.contains("Note=" + valueBytes + nl));
    QCOMPARE(file.size(), section.size() + 2 + 5 + value.size() + 2 * nl.size());
    QCOMPARE(readProfileValue(path(), section.toUpper(), "NOTE", "", 1024), value);
}

// ---- any bytes, any size -------------------------------------------------

void TstIniFile::anyBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QRandomGenerator random(1050);
    QByteArray binary(256 * 1024, Qt::Uninitialized);
    for (char &c : binary)
        c = char(random.bounded(256));
    QTest::newRow("random bytes") << binary;
    QByteArray brackets(64 * 1024, Qt::Uninitialized);
    const char alphabet[] = "[]=;#\r\n \t\0Aa";
    for (char &c : brackets)
        c = alphabet[random.bounded(int(sizeof(alphabet) - 1))];
    QTest::newRow("random INI syntax") << brackets;
    QTest::newRow("NULs only") << QByteArray(4096, '\0');
    QTest::newRow("100000-character line") << QByteArray(100000, 'x');
    QTest::newRow("CRs only") << QByteArray(100000, '\r');
    QTest::newRow("LF CR pairs") << QByteArray("\n\r").repeated(50000);
    QTest::newRow("lone [") << QByteArray("[");
    QTest::newRow("lone =") << QByteArray("=");
    QTest::newRow("lone ]") << QByteArray("]");
    QTest::newRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("unterminated sections") << QByteArray("[VAKO\nModel=ALDER\n[VAKO");
}

// Any bytes are a document: it gives them back unchanged, takes an entry and
// finds it again, and only adds behind the old bytes.
void TstIniFile::anyBytes()
{
    QFETCH(QByteArray, bytes);

    IniDocument doc = IniDocument::fromBytes(bytes);
    QCOMPARE(doc.toBytes(), bytes);
    QVERIFY(!doc.value("VAKO", "Model").has_value());

    doc.setValue("VAKO", "Model", " BIRCH");
    QCOMPARE(doc.value("vako", "model"), std::optional<QString>("BIRCH"));
    const QByteArray written = doc.toBytes();
    QVERIFY(written.startsWith(bytes));
    const QByteArray added = written.mid(bytes.size());
    QVERIFY2(added.size() <= 24 && added.contains("[VAKO]") && added.contains("Model= BIRCH"),
             added.constData());

    doc.setValue("VAKO", "Model", "ALDER");
    QCOMPARE(doc.value("VAKO", "Model"), std::optional<QString>("ALDER"));
    QCOMPARE(doc.toBytes().size(), written.size() - 1);
    QVERIFY(doc.toBytes().startsWith(bytes));

    QVERIFY(writeFile(path(), bytes));
    QVERIFY(writeProfileValue(path(), "VAKO", "Model", " BIRCH"));
    QCOMPARE(readFile(path()), written);
}

void TstIniFile::largeFiles_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after"); // after writing VAKO/Model = "BIRCH"

    const qsizetype size = 10 * 1024 * 1024;
    const QByteArray lines = filler(size, "\n");
    QTest::newRow("10 MiB of short lines, section at end") << lines + "[VAKO]\nModel=ALDER\n"
                                                           << lines + "[VAKO]\nModel=BIRCH\n";
    QTest::newRow("10 MiB of short lines, section at start")
        << "[VAKO]\nx=1\n[Other]\n" + lines << "[VAKO]\nx=1\nModel=BIRCH\n[Other]\n" + lines;
    QTest::newRow("10 MiB of CRs")
        << QByteArray(size, '\r') << QByteArray(size, '\r') + "[VAKO]\rModel=BIRCH\r";
    QTest::newRow("10 MiB in one line")
        << QByteArray(size, '=') << QByteArray(size, '=') + nl + "[VAKO]" + nl + "Model=BIRCH" + nl;
    QTest::newRow("10 MiB of sections")
        << QByteArray("[VAKA]\n").repeated(size / 7) + "[VAKO]\nModel=ALDER"
        << QByteArray("[VAKA]\n").repeated(size / 7) + "[VAKO]\nModel=BIRCH";
}

// Linear time: a read and a write of a 10 MiB file take a fraction of a
// second; anything quadratic in the lines would take minutes.
void TstIniFile::largeFiles()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QVERIFY(writeFile(path(), before));

    QElapsedTimer timer;
    timer.start();
    const QString old = readProfileValue(path(), "VAKO", "Model", "none", 1024);
    QVERIFY(writeProfileValue(path(), "VAKO", "Model", "BIRCH"));
    const qint64 elapsed = timer.elapsed();

    QCOMPARE(old, before.contains("Model=ALDER") ? QString("ALDER") : QString("none"));
    QVERIFY2(readFile(path()) == after, "the bytes around the entry changed");
    QVERIFY2(elapsed < 5000, qPrintable(QString("took %1 ms").arg(elapsed)));
}

void TstIniFile::fileBeyondLimit_data()
{
    QTest::addColumn<qint64>("extra");
    QTest::addColumn<bool>("lateFound");
    QTest::addColumn<bool>("saved");

    QTest::newRow("exactly the limit") << qint64(0) << true << true;
    // The cut drops the final line end only: the last entry still reads.
    QTest::newRow("one byte over") << qint64(1) << true << false;
    QTest::newRow("1 MiB over") << qint64(1024 * 1024) << false << false;
}

// A file longer than the limit answers from its start, and is never written
// back cut short.
void TstIniFile::fileBeyondLimit()
{
    QFETCH(qint64, extra);
    QFETCH(bool, lateFound);
    QFETCH(bool, saved);

    const QByteArray head("[VAKO]\nModel=ALDER\n");
    const QByteArray tail("\n[Late]\nKey=1\n");
    QByteArray bytes = head;
    bytes += QByteArray(IniDocument::maxFileBytes + extra - head.size() - tail.size(), ';');
    bytes += tail;
    QCOMPARE(bytes.size(), IniDocument::maxFileBytes + extra);
    QVERIFY(writeFile(path(), bytes));

    QCOMPARE(readProfileValue(path(), "VAKO", "Model", "none", 1024), "ALDER");
    QCOMPARE(readProfileValue(path(), "Late", "Key", "none", 1024), lateFound ? "1" : "none");
    QCOMPARE(writeProfileValue(path(), "VAKO", "Model", "BIRCH"), saved);
    const QByteArray now = readFile(path());
    QCOMPARE(now.size(), bytes.size());
    QVERIFY(now ==
            (saved ? QByteArray(bytes).replace(0, head.size(), "[VAKO]\nModel=BIRCH\n") : bytes));
}

// ---- saving --------------------------------------------------------------

void TstIniFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("setup");

    QTest::newRow("path is a folder") << "folder";
    QTest::newRow("parent folder missing") << "missing parent";
    QTest::newRow("parent is a file") << "file parent";
    QTest::newRow("read-only file") << "read-only file";
    QTest::newRow("folder not writable") << "read-only folder";
}

void TstIniFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, setup);

    const QByteArray old("[VAKO]\nModel=ALDER\n");
    QString target = path();
    QString folder = m_dir->path();
    if (setup == "folder") {
        QVERIFY(QDir(folder).mkdir("vako-panel.ini"));
        QVERIFY(writeFile(target + "/inside", old));
    } else if (setup == "missing parent") {
        target = m_dir->filePath("missing/vako-panel.ini");
    } else if (setup == "file parent") {
        QVERIFY(writeFile(m_dir->filePath("plain"), old));
        target = m_dir->filePath("plain/vako-panel.ini");
    } else if (setup == "read-only file") {
        QVERIFY(writeFile(target, old));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
    } else if (setup == "read-only folder") {
        // Root writes into a folder without write permission all the same.
        if (runningAsRoot())
            QSKIP("root ignores the folder's permissions");
        folder = m_dir->filePath("locked");
        QVERIFY(QDir(m_dir->path()).mkdir("locked"));
        target = folder + "/vako-panel.ini";
        QVERIFY(writeFile(target, old));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QStringList namesBefore = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden);

    QVERIFY(!writeProfileValue(target, "VAKO", "Model", "BIRCH"));

    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden), namesBefore);
    if (setup == "folder")
        QCOMPARE(readFile(target + "/inside"), old);
    if (setup == "read-only file" || setup == "read-only folder") {
        QCOMPARE(readFile(target), old);
        QCOMPARE(readProfileValue(target, "VAKO", "Model", "", 1024), "ALDER");
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The new text replaces the file by a rename: the old file's content is never
// overwritten in place, so a second link to it still shows the old text, and
// no temporary file is left behind.
void TstIniFile::saveReplacesFileWhole()
{
#ifdef Q_OS_UNIX
    const QByteArray old("[VAKO]\nModel=ALDER\n");
    QVERIFY(writeFile(path(), old));
    const QString link = m_dir->filePath("old-copy");
    QCOMPARE(::link(QFile::encodeName(path()).constData(), QFile::encodeName(link).constData()), 0);

    QVERIFY(writeProfileValue(path(), "VAKO", "Model", "BIRCH"));

    QCOMPARE(readFile(path()), QByteArray("[VAKO]\nModel=BIRCH\n"));
    QCOMPARE(readFile(link), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"old-copy", "vako-panel.ini"}));
#else
    QSKIP("hard links are a Unix test device");
#endif
}

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_inifile.moc"
