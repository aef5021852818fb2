#include "panel/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

// The settings file under a crash: this program, started with "--storm PATH",
// saves without pause and is killed with SIGKILL at random moments, again and
// again. Each time the file must be byte for byte the last save reported
// finished or the one under way.
class tst_CrashSafety : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedWhileSaving();
};

namespace {
constexpr int kKills = 240;

// Save k: every entry depends on k and most change their length now and then,
// so a file that mixes two saves or ends early is no save's file.
void saveState(const QString &path, Session &s, qint64 k)
{
    s.state.Model = k % 2 ? QStringLiteral("ALDER") : QStringLiteral("BIRCH");
    s.state.Keyer_Type = k % 4;
    s.profiles[0] = {136000 + k, k % 4, 10 + k % 990, (k + 1) % 4, 1200 * (1 + k % 96), k % 101};
    s.profiles[1] = {500000 + k, (k + 2) % 4, 5 + k % 995, (k + 3) % 4, 300 + 7 * k, (k + 7) % 101};
    if (!SettingsFile(s, path).SaveSettings())
        std::_Exit(1);
}

// The file save k makes of one that holds only the operator's port table.
QByteArray fileOfSave(const QString &path, qint64 k)
{
    QFile::remove(path);
    Session s;
    writeProfileValue(path, QStringLiteral("Ports"), QStringLiteral("Com3"), "/dev/ttyUSB0");
    saveState(path, s, k);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int storm(const QString &path) // reports each finished save's number
{
    Session s;
    qint64 k = IniDocument::load(path).value("ALDER_settings", "Frequency")->toLongLong() - 136000;
    for (;;) {
        saveState(path, s, ++k);
        const QByteArray line = QByteArray::number(k) + '\n';
        if (::write(1, line.constData(), size_t(line.size())) != line.size())
            return 1;
    }
}
} // namespace

void tst_CrashSafety::killedWhileSaving()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vako-panel.ini"));
    const QString scratch = dir.filePath(QStringLiteral("expected"));
    fileOfSave(path, 0);
    QRandomGenerator random(20261206);
    qint64 reported = 0, savesSeen = 0;
    int staleFiles = 0;
    QElapsedTimer clock;
    clock.start();
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--storm", path});
        QVERIFY2(child.waitForReadyRead(20000), child.readAllStandardError().constData());
        QTest::qSleep(int(random.bounded(30)));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
        savesSeen += lines.last().toLongLong() - reported;
        reported = lines.last().toLongLong();

        const IniDocument file = IniDocument::load(path);
        const qint64 k =
            file.value("ALDER_settings", "Frequency").value_or("0").toLongLong() - 136000;
        QVERIFY2(
            k == reported || k == reported + 1,
            qPrintable(
                QStringLiteral("kill %1: save %2, reported %3").arg(kill).arg(k).arg(reported)));
        QCOMPARE(file.toBytes(), fileOfSave(scratch, k)); // whole, and from one save
        reported = k;
        // A kill between the new copy's naming and its rename leaves it behind.
        staleFiles =
            int(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".ini.").size());
    }
    qInfo("reliability: crash kills=%d saves=%lld stale-files=%d seconds=%.1f", kKills,
          static_cast<long long>(reported), staleFiles, clock.elapsed() / 1000.0);
    QVERIFY2(savesSeen > kKills, "the saves did not run between the kills");
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--storm") == 0)
        return storm(QString::fromLocal8Bit(argv[2]));
    tst_CrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
