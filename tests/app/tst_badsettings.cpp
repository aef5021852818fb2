#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "PanelFixture.h"
#include "PanelProcess.h"
#include "WireCheck.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// Settings files as an editor, a full disk, a copy from elsewhere or a
// careless operator can leave them. Whatever the file holds, the panel
// starts, sends no line with a value outside its command's range, and the
// next save leaves a file that the next start reads back to the state saved.
class tst_BadSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void startsAndRoundTrips_data();
    void startsAndRoundTrips();
    void realProgramStartsAndSaves_data();
    void realProgramStartsAndSaves();
};

namespace {

enum class FileKind
{
    Plain,
    ReadOnly,
    Folder,
};

// The fourteen values that a start-up loads, as texts ("-" for a value that
// spells no number): model, keyer mode, then each model's six.
using Stored = QStringList;

constexpr Number ModelProfile::*kFields[] = {&ModelProfile::Frequency, &ModelProfile::Step,
                                             &ModelProfile::CW_speed,  &ModelProfile::Power,
                                             &ModelProfile::BaudRate,  &ModelProfile::Portnumber};

QString text(const Number &n)
{
    return n ? QString::number(*n) : QStringLiteral("-");
}

// What a save writes: a value that spells no number becomes the entry's
// built-in value, so that the next start finds a usable entry.
Stored stored(const Session &s, bool asSaved = false)
{
    const auto value = [asSaved](const Number &n, const Number &builtIn) {
        return text(n || !asSaved ? n : builtIn);
    };
    Stored out{s.state.Model, value(s.state.Keyer_Type, 2)};
    for (std::size_t m = 0; m < s.profiles.size(); ++m) {
        for (auto field : kFields)
            out << value(s.profiles[m].*field, modelTable()[m].builtIn.*field);
    }
    return out;
}

// One run of the panel on the settings file at path.
struct Run
{
    FakeSerialControl comm;
    FakeDialogs dialogs;
    std::unique_ptr<main_Form> form;
    qint64 startMs = 0;

    explicit Run(const QString &path)
    {
        comm.presentPorts = {3};
        form = std::make_unique<main_Form>(
            comm, dialogs,
            PanelEnvironment{path, [](qint64 n) { return QStringLiteral("/dev/fake%1").arg(n); }});
        QElapsedTimer clock;
        clock.start();
        form->Form_Load();
        startMs = clock.elapsed();
    }
};

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char &b : bytes)
        b = static_cast<char>(random.bounded(256));
    return bytes;
}

// A file the panel sends from: both models on Com3.
QByteArray onPort3(std::initializer_list<std::pair<const char *, const char *>> more = {})
{
    QByteArray text = settingsWith(more);
    return text.replace("Portnumber= 0", "Portnumber= 3");
}

struct NumericEntry
{
    const char *model;
    const char *line; // as settingsWith names it
    const char *key;
};

const NumericEntry kNumericEntries[] = {
    {"BIRCH", "Keyer_Type= 2", "Keyer_Type"},
    {"ALDER", "ALDER:Frequency= 136000", "Frequency"},
    {"ALDER", "ALDER:Step= 1", "Step"},
    {"ALDER", "ALDER:CW_speed= 100", "CW_speed"},
    {"ALDER", "ALDER:Power= 1", "Power"},
    {"ALDER", "ALDER:BaudRate= 115200", "BaudRate"},
    {"ALDER", "ALDER:Portnumber= 3", "Portnumber"},
    {"BIRCH", "BIRCH:Frequency= 500000", "Frequency"},
    {"BIRCH", "BIRCH:Step= 2", "Step"},
    {"BIRCH", "BIRCH:CW_speed= 200", "CW_speed"},
    {"BIRCH", "BIRCH:Power= 0", "Power"},
    {"BIRCH", "BIRCH:BaudRate= 115200", "BaudRate"},
    {"BIRCH", "BIRCH:Portnumber= 3", "Portnumber"},
};

// One numeric entry of a file on Com3 replaced by a bad value, with the
// entry's model selected so that its value is the one in use.
QByteArray withEntry(const NumericEntry &entry, const QByteArray &value)
{
    QByteArray text = onPort3({{"Model=BIRCH", "Model=BIRCH"}});
    text.replace("Model=BIRCH", QByteArray("Model=") + entry.model);
    QByteArray line = entry.line;
    qsizetype from = 0;
    if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        from = text.indexOf("[" + line.left(colon) + "_settings]");
        line = line.mid(colon + 1);
    }
    const qsizetype at = text.indexOf(line + '\n', from);
    Q_ASSERT(at >= 0);
    return text.replace(at, line.size(), QByteArray(entry.key) + '=' + value);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void prepare(const QString &path, const QByteArray &bytes, FileKind kind)
{
    if (kind == FileKind::Folder) {
        QVERIFY(QDir().mkpath(path));
        return;
    }
    writeFile(path, bytes);
    if (kind == FileKind::ReadOnly)
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther));
}

void addRows()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");

    const auto row = [](const char *name, const QByteArray &bytes,
                        FileKind kind = FileKind::Plain) {
        QTest::newRow(name) << bytes << static_cast<int>(kind);
    };
    const QByteArray good = onPort3();

    row("binary garbage", randomBytes(64 * 1024, 7));
    {
        QByteArray mixed;
        const QList<QByteArray> lines = good.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i)
            mixed += lines[i] + '\n' + randomBytes(40, quint32(i)).replace('\n', ' ') + '\n';
        row("garbage lines between the entries", mixed);
    }
    {
        QByteArray big = good;
        const QByteArray noise = randomBytes(1024 * 1024, 11);
        for (int i = 0; i < 10; ++i)
            big += noise;
        row("10 MiB file", big);
        row("10 MiB before the entries", QByteArray(10 * 1024 * 1024, 'x') + '\n' + good);
    }
    row("20 MiB file", QByteArray(20 * 1024 * 1024, ';') + '\n' + good);
    row("line of 100 000 digits",
        QByteArray(good).replace("Frequency= 500000", "Frequency=" + QByteArray(100000, '7')));
    row("model of 100 000 characters",
        QByteArray(good).replace("Model=BIRCH", "Model=" + QByteArray(100000, 'B')));
    row("line of 100 000 characters without '='", QByteArray(100000, 'k') + '\n' + good);
    row("NUL bytes", QByteArray(good)
                         .replace("Model=BIRCH", QByteArray("Model=BIR\0CH", 12))
                         .replace("Power= 0", QByteArray("Power=\0 3", 9))
                         .replace("[ALDER_settings]", QByteArray("[ALDER\0_settings]", 17))
                         .replace("CW_speed= 200", QByteArray("CW_speed= 2\0"
                                                              "00",
                                                              14)));
    row("only NUL bytes", QByteArray(4096, '\0'));
    row("duplicate sections and keys",
        good +
            "[BIRCH_settings]\nFrequency= 505000\n[VAKO]\nModel=ALDER\n"
            "[ALDER_settings]\nPower= 3\n" +
            QByteArray(good).replace("Frequency= 500000", "Frequency= 500000\nFrequency= 1"));
    row("keys outside any section", "Model=ALDER\nFrequency= 137000\nPortnumber= 3\n" + good);
    row("CR-only line ends", QByteArray(good).replace('\n', '\r'));
    row("LF-only line ends", good);
    row("CR LF line ends", QByteArray(good).replace("\n", "\r\n"));
    row("mixed line ends", QByteArray(good).replace("0\n", "0\r").replace("2\n", "2\r\n"));
    row("sections without entries", "[VAKO]\n[ALDER_settings]\n[BIRCH_settings]\n");
    row("model entry only", "[VAKO]\nModel=ALDER\n");
    row("unknown model", QByteArray(good).replace("Model=BIRCH", "Model=OAK"));
    row("read-only file",
        QByteArray(good)
            .replace("Frequency= 500000", "Frequency=abc")
            .replace("Power= 0", "Power= 7"),
        FileKind::ReadOnly);
    row("settings path is a folder", QByteArray(), FileKind::Folder);

    // Every numeric entry, with values no command carries and texts that
    // spell no number.
    const QList<QByteArray> values = {"9999999", "-5", "99999999999999999999999", "abc", "", "1e3"};
    for (const NumericEntry &entry : kNumericEntries) {
        for (const QByteArray &value : values) {
            const QByteArray name = QByteArray(entry.line).split('=').first() + "=" + value;
            QTest::newRow(name.constData())
                << withEntry(entry, value) << static_cast<int>(FileKind::Plain);
        }
    }
}

} // namespace

void tst_BadSettings::initTestCase()
{
    installFontSubstitutes();
}

void tst_BadSettings::startsAndRoundTrips_data()
{
    addRows();
}

void tst_BadSettings::startsAndRoundTrips()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vako-panel.ini"));
    prepare(path, bytes, static_cast<FileKind>(kind));
    const bool saveable =
        static_cast<FileKind>(kind) == FileKind::Plain && bytes.size() <= 16 << 20;

    Stored first, firstAsSaved;
    {
        Run run(path);
        QVERIFY2(run.startMs < 10000, "the start-up took too long");
        const QString problem = wireProblem(run.comm.wire());
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        first = stored(run.form->session());
        firstAsSaved = stored(run.form->session(), true);
        run.form->close(); // saves
    }
    Stored second;
    QByteArray saved = readFile(path);
    {
        Run run(path);
        const QString problem = wireProblem(run.comm.wire());
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        second = stored(run.form->session());
        run.form->close();
    }
    // A file the panel cannot write keeps what it held, and so the state.
    QCOMPARE(second, saveable ? firstAsSaved : first);
    // What a save wrote, a save writes again unchanged.
    QCOMPARE(readFile(path), saved);
    if (!saveable && static_cast<FileKind>(kind) != FileKind::Folder)
        QCOMPARE(saved, bytes);

    // The operator works on the values the file brought: every control that
    // sends, both models in turn. Still no line carries a value outside its
    // command's range.
    QTemporaryDir again;
    const QString copy = again.filePath(QStringLiteral("vako-panel.ini"));
    prepare(copy, bytes, static_cast<FileKind>(kind));
    Run run(copy);
    Ui::main_Form &ui = run.form->ui();
    for (QPushButton *button : {ui.up_Button, ui.down_Button, ui.CW_speed_up, ui.CW_speed_down})
        button->click();
    for (QAction *model : {ui.menu_VAKO_ALDER, ui.menu_VAKO_BIRCH}) {
        model->trigger();
        ui.up_Button->click();
        ui.CW_speed_down->click();
    }
    for (QAction *keyer : run.form->panel().ui.menu_Keyer)
        keyer->trigger();
    const QString problem = wireProblem(run.comm.wire());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    run.form->close();
}

void tst_BadSettings::realProgramStartsAndSaves_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    QTest::newRow("binary garbage") << randomBytes(64 * 1024, 3) << int(FileKind::Plain);
    const char nuls[] = "[Ports]\nCom3=/dev/\0tty\nCom\0"
                        "4=x\n[VAKO]\nModel=ALDER\0\n";
    QTest::newRow("NUL bytes and a port table")
        << QByteArray(nuls, sizeof nuls - 1) << int(FileKind::Plain);
    // The start-up's "Invalid VAKO Model" box waits for an operator who is
    // not there when the session ends.
    QTest::newRow("unknown model")
        << onPort3().replace("Model=BIRCH", "Model=OAK") << int(FileKind::Plain);
    QTest::newRow("read-only file") << onPort3() << int(FileKind::ReadOnly);
    QTest::newRow("settings path is a folder") << QByteArray() << int(FileKind::Folder);
}

void tst_BadSettings::realProgramStartsAndSaves()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vako-panel.ini"));
    prepare(path, bytes, static_cast<FileKind>(kind));

    QByteArray afterFirst;
    for (int round = 0; round < 2; ++round) {
        // A folder in place of the file sends the program to the per-user
        // folder, which the test keeps inside its own folder.
        PanelProcess panel(dir.path());
        QVERIFY(panel.start());
        // Still running after its start-up: no crash. Ends on request: no
        // freeze.
        QVERIFY2(panel.runningAfter(700), panel.errors().constData());
        QVERIFY2(panel.terminate(), "the program did not end cleanly");
        if (round == 0)
            afterFirst = readFile(path);
    }
    // The second run read what the first saved, and saved it unchanged.
    QCOMPARE(readFile(path), afterFirst);
    if (static_cast<FileKind>(kind) == FileKind::ReadOnly)
        QCOMPARE(afterFirst, bytes);
}

QTEST_MAIN(tst_BadSettings)
#include "tst_badsettings.moc"
