#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// The Debian package as an operator gets it: CPack builds it from this build into the suite's
// own folder, dpkg-deb unpacks it into temporary roots, and the panel is started from there.
class tst_DebPackage : public QObject
{
    Q_OBJECT
    const QString work = VAKO_WORK_DIR;
    QString deb;

    // Runs a program to its end: its exit code (-1 when it crashed or hung), its output in *out.
    static int run(const QString &program, const QStringList &arguments, QByteArray *out = nullptr)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        const bool ended = process.waitForFinished(300000);
        if (out)
            *out = process.readAll();
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    // A fresh root with the package unpacked into it; empty when that failed.
    QString unpack(const QString &name) const
    {
        const QString root = work + "/roots/" + name;
        QDir(root).removeRecursively();
        return QDir().mkpath(root) && run("dpkg-deb", {"-x", deb, root}) == 0 ? root : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir(work).removeRecursively();
        QVERIFY(QDir().mkpath(work));
        QByteArray out;
        QVERIFY2(run(VAKO_CPACK, {"-G", "DEB", "--config", VAKO_CPACK_CONFIG, "-B", work}, &out) ==
                     0,
                 out.constData());
        const QStringList debs = QDir(work).entryList({"*.deb"});
        QCOMPARE(debs.size(), 1);
        deb = work + '/' + debs.first();
    }
    void dependenciesDeclared()
    {
        QByteArray depends;
        QCOMPARE(run("dpkg-deb", {"-f", deb, "Depends"}, &depends), 0);
        QStringList names; // "a (>= 1), b | c:any": a, b, c
        for (const QString &alternative : QString(depends).split(QRegularExpression("[,|]")))
            names << alternative.trimmed().section(' ', 0, 0).section(':', 0, 0);
        // What the programs link (found by dpkg-shlibdeps), and the fonts of the window.
        for (const char *package : {"libqt6core6", "libqt6gui6", "libqt6widgets6",
                                    "libqt6serialport6", "libc6", "libstdc++6", "fonts-liberation"})
            QVERIFY2(names.contains(package), qPrintable(package + (" not in " + depends)));
    }
    void keepsSettingsPerUserWhenItsFolderIsReadOnly_data()
    {
        QTest::addColumn<QStringList>("wrapper"); // runs `sh -c SCRIPT sh FOLDER PANEL`
        // The panel runs only if its folder really is not writable for it: else exit 97.
        const QString check = R"(if touch "$1/.probe" 2>/dev/null; then exit 97; fi; exec "$2")";
        // A read-only bind mount in a private mount namespace holds for root too.
        QTest::newRow("read-only mount") << QStringList{
            "unshare",
            "--mount",
            "--map-root-user",
            "sh",
            "-c",
            R"(mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" || exit 98; )" + check};
        // The operator's case: another user than the owner of the tree (switched to as root).
        QTest::newRow("another user") << QStringList{
            "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "sh", "-c", check};
    }
    void keepsSettingsPerUserWhenItsFolderIsReadOnly()
    {
        QFETCH(QStringList, wrapper);
        const QString row = QString(QTest::currentDataTag()).replace(' ', '-');
        const QString root = unpack(row), home = work + "/homes/" + row;
        const QString folder = root + "/usr/lib/vako-panel";
        const QString perUser = home + "/.config/VAKO/vako-panel/vako-panel.ini";
        QVERIFY(!root.isEmpty() && QDir(home).removeRecursively() && QDir().mkpath(home));
        QVERIFY(QFile::setPermissions(home, QFileDevice::Permissions(0x7777)));
        QProcess panel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", home);
        env.insert("XDG_CONFIG_HOME", home + "/.config");
        env.remove("XDG_RUNTIME_DIR");
        panel.setProcessEnvironment(env);
        panel.start(wrapper.first(), wrapper.mid(1)
                                         << "sh" << folder << root + "/usr/bin/vako-panel");
        // The first start writes the built-in values; then the window is up.
        for (QDeadlineTimer deadline(30000); QFileInfo(perUser).size() == 0 &&
                                             !deadline.hasExpired() && !panel.waitForFinished(50);)
            ;
        if (panel.state() == QProcess::NotRunning) {
            const QByteArray err = panel.readAllStandardError();
            if (panel.exitCode() == 98 || err.startsWith(wrapper.first().toUtf8() + ':'))
                QSKIP(qPrintable("cannot run the panel this way here: " + err));
            QFAIL(qPrintable(QString("ended early with %1 (97: the folder was writable): %2")
                                 .arg(panel.exitCode())
                                 .arg(err)));
        }
        QVERIFY2(QFileInfo(perUser).size() > 0, qPrintable(perUser));
        panel.terminate();
        QVERIFY(panel.waitForFinished(20000));
        QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(panel.exitCode(), 0);
        QFile settings(perUser);
        QVERIFY(settings.open(QIODevice::ReadOnly) && settings.readAll().contains("Model=BIRCH"));
        QVERIFY(!QFile::exists(folder + "/vako-panel.ini"));
    }
};

QTEST_GUILESS_MAIN(tst_DebPackage)
#include "tst_debpackage.moc"
