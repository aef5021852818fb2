#include "SaveStormState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The settings file under a crash: a program that saves without pause is
// killed (SIGKILL, no chance to tidy up) at random moments, again and again.
// Each time, the file must hold one whole save, the last one reported
// finished or the one under way, with all fourteen entries.
class tst_CrashSafety : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedWhileSaving();
};

namespace {

constexpr int kKills = 240;

const char *const kEntries[][2] = {
    {"VAKO", "Model"},
    {"VAKO", "Keyer_Type"},
    {"ALDER_settings", "Frequency"},
    {"ALDER_settings", "Step"},
    {"ALDER_settings", "CW_speed"},
    {"ALDER_settings", "Power"},
    {"ALDER_settings", "BaudRate"},
    {"ALDER_settings", "Portnumber"},
    {"BIRCH_settings", "Frequency"},
    {"BIRCH_settings", "Step"},
    {"BIRCH_settings", "CW_speed"},
    {"BIRCH_settings", "Power"},
    {"BIRCH_settings", "BaudRate"},
    {"BIRCH_settings", "Portnumber"},
};

// The last save number the child reported finished.
qint64 lastReported(const QByteArray &output, qint64 before)
{
    qint64 last = before;
    for (const QByteArray &line : output.split('\n')) {
        bool ok = false;
        const qint64 k = line.toLongLong(&ok);
        if (ok)
            last = k;
    }
    return last;
}

} // namespace

void tst_CrashSafety::killedWhileSaving()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vako-panel.ini"));
    // A file as the operator has it, with the port table the panel never
    // writes: it must survive every save and every kill.
    {
        Session session;
        session.setBuiltInValues();
        setSaveState(session, 0);
        QVERIFY(writeProfileValue(path, QStringLiteral("Ports"), QStringLiteral("Com3"),
                                  QStringLiteral("/dev/ttyUSB0")));
        QVERIFY(SettingsFile(session, path).SaveSettings());
    }

    QRandomGenerator random(20261206);
    qint64 reported = 0;
    int staleFiles = 0;
    qint64 savesSeen = 0;
    QElapsedTimer clock;
    clock.start();
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess child;
        child.start(QStringLiteral(VAKO_SAVESTORM_PATH), {path});
        QVERIFY(child.waitForStarted(10000));
        // Let it get into its stride, then kill it at a random moment.
        QVERIFY2(child.waitForReadyRead(20000), child.readAllStandardError().constData());
        QTest::qSleep(int(random.bounded(30)));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const qint64 before = reported;
        reported = lastReported(child.readAllStandardOutput(), reported);
        savesSeen += reported - before;

        // Whole: the file parses, with every entry, from one save.
        const IniDocument file = IniDocument::load(path);
        for (const auto &entry : kEntries) {
            QVERIFY2(file.value(QLatin1String(entry[0]), QLatin1String(entry[1])).has_value(),
                     qPrintable(QStringLiteral("kill %1: %2 missing").arg(kill).arg(entry[1])));
        }
        QCOMPARE(file.value(QStringLiteral("Ports"), QStringLiteral("Com3")),
                 QStringLiteral("/dev/ttyUSB0"));
        Session loaded;
        loaded.setBuiltInValues();
        SettingsFile(loaded, path).LoadSettings();
        const std::optional<qint64> k = saveNumberOf(loaded);
        QVERIFY2(k.has_value(), qPrintable(QStringLiteral("kill %1: the file mixes saves\n%2")
                                               .arg(kill)
                                               .arg(QString::fromLatin1(file.toBytes()))));
        // The old state or the new one: the last save reported, or the one
        // that had reached the disk but not yet been reported.
        QVERIFY2(*k == reported || *k == reported + 1,
                 qPrintable(QStringLiteral("kill %1: file holds save %2, last reported %3")
                                .arg(kill)
                                .arg(*k)
                                .arg(reported)));
        reported = *k;

        // A kill between the new copy's naming and its rename leaves that
        // copy behind beside the file; count them.
        staleFiles = int(QDir(dir.path())
                             .entryList(QDir::Files | QDir::Hidden)
                             .filter(QStringLiteral(".ini."))
                             .size());
    }
    qInfo("reliability: crash kills=%d saves=%lld stale-files=%d seconds=%.1f", kKills,
          static_cast<long long>(reported), staleFiles, clock.elapsed() / 1000.0);
    QVERIFY2(savesSeen > kKills, "the saves did not run between the kills");
}

QTEST_GUILESS_MAIN(tst_CrashSafety)
#include "tst_crashsafety.moc"
