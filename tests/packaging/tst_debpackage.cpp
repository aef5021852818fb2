#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <csignal>
#include <unistd.h>

// The Debian package as an operator gets it: CPack builds it from this build
// into the suite's own folder, dpkg-deb unpacks it into temporary roots, and
// the program is started from there the way the desktop starts it.
class tst_DebPackage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void controlFields_data();
    void controlFields();
    void declaredDependencies_data();
    void declaredDependencies();
    void contentsOwnedByRoot();
    void layout_data();
    void layout();
    void nothingElseShips();
    void desktopEntryFitsInstallation();
    void docsNameShippedTemplate_data();
    void docsNameShippedTemplate();
    void simulatorRunsFromInstallation();
    void startsFromInstallation_data();
    void startsFromInstallation();
    void loadsOnlyWhatItDependsOn();

private:
    QString m_deb;
    QString m_root;
    QMap<QString, QString> m_control;
    QStringList m_listing;
};

namespace {

const QString kWork = QStringLiteral(VAKO_WORK_DIR);
const QString kAppId = QStringLiteral(VAKO_APP_ID);
const QString kSourceRoot = QStringLiteral(VAKO_SOURCE_ROOT);
const QString kProgramDir = QStringLiteral("usr/lib/vako-panel");
const QString kUdevTemplate = QStringLiteral("usr/share/vako-panel/udev/70-vako-transmitter.rules");
const QList<int> kIconSizes = {16, 24, 32, 48, 64, 128, 256};

struct Result
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Result run(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "did not finish: " + program.toLocal8Bit();
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "a (>= 1), b | c:any" -> {a, b, c}
QStringList packageNames(const QString &relations)
{
    QStringList names;
    for (const QString &alternative : relations.split(QRegularExpression(QStringLiteral("[,|]")))) {
        QString name = alternative.trimmed().section(u' ', 0, 0).section(u':', 0, 0);
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

// dpkg's merged /usr: a library may be registered under /lib while the
// loader maps it from /usr/lib, or the other way round.
QStringList pathSpellings(const QString &path)
{
    QStringList spellings{path};
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty() && canonical != path)
        spellings << canonical;
    for (const QString &p : QStringList(spellings)) {
        for (const char *dir : {"/lib/", "/lib64/", "/bin/", "/sbin/"}) {
            const QString plain = QLatin1String(dir);
            if (p.startsWith(plain))
                spellings << QStringLiteral("/usr") + p;
            else if (p.startsWith(QStringLiteral("/usr") + plain))
                spellings << p.mid(4);
        }
    }
    spellings.removeDuplicates();
    return spellings;
}

bool waitForFile(const QString &path, QProcess &process, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (QFileInfo(path).size() > 0)
            return true;
        if (process.state() == QProcess::NotRunning)
            return false;
        QTest::qWait(50);
    }
    return false;
}

QString unpack(const QString &deb, const QString &name)
{
    const QString root = kWork + QStringLiteral("/roots/") + name;
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    const Result r = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root});
    return r.code == 0 ? root : QString();
}

} // namespace

void tst_DebPackage::initTestCase()
{
    QDir(kWork).removeRecursively();
    QVERIFY(QDir().mkpath(kWork));
    const Result cpack =
        run(QStringLiteral(VAKO_CPACK),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             QStringLiteral(VAKO_CPACK_CONFIG), QStringLiteral("-B"), kWork},
            300000);
    QVERIFY2(cpack.code == 0, (cpack.out + cpack.err).constData());
    const QStringList debs = QDir(kWork).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    m_deb = kWork + u'/' + debs.first();

    // Debian's own name: package_version_architecture.deb
    const Result arch = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
    QCOMPARE(debs.first(),
             QStringLiteral("vako-panel_%1_%2.deb")
                 .arg(QStringLiteral(VAKO_PROJECT_VERSION), QString::fromUtf8(arch.out).trimmed()));

    const Result fields = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb});
    QCOMPARE(fields.code, 0);
    QString field;
    for (const QString &line : QString::fromUtf8(fields.out).split(u'\n')) {
        if (line.startsWith(u' ') && !field.isEmpty()) {
            m_control[field] += u'\n' + line.mid(1);
        } else if (line.contains(u':')) {
            field = line.section(u':', 0, 0);
            m_control[field] = line.section(u':', 1).trimmed();
        }
    }

    const Result listing = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb});
    QCOMPARE(listing.code, 0);
    m_listing = QString::fromUtf8(listing.out).split(u'\n', Qt::SkipEmptyParts);

    m_root = unpack(m_deb, QStringLiteral("layout"));
    QVERIFY(!m_root.isEmpty());
}

void tst_DebPackage::controlFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("pattern");
    const QString arch =
        QString::fromUtf8(run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).out)
            .trimmed();
    QTest::newRow("Package") << "Package"
                             << "^vako-panel$";
    // The one version: the project's, with no Debian revision added.
    QTest::newRow("Version") << "Version"
                             << QStringLiteral("^%1$").arg(
                                    QRegularExpression::escape(VAKO_PROJECT_VERSION));
    QTest::newRow("Architecture") << "Architecture" << QStringLiteral("^%1$").arg(arch);
    QTest::newRow("Section") << "Section"
                             << "^hamradio$";
    QTest::newRow("Maintainer") << "Maintainer"
                                << "^[^<>]+ <[^<>@\\s]+@[^<>@\\s]+>$";
    // A synopsis line, then the long description.
    QTest::newRow("Description") << "Description"
                                 << "^control panel for VAKO CW transmitters\\n\\S";
    QTest::newRow("Recommends") << "Recommends"
                                << "\\bxdg-utils\\b";
}

void tst_DebPackage::controlFields()
{
    QFETCH(QString, field);
    QFETCH(QString, pattern);
    QVERIFY2(m_control.contains(field), qPrintable(field + QStringLiteral(" missing")));
    const QString value = m_control.value(field);
    QVERIFY2(QRegularExpression(pattern).match(value).hasMatch(),
             qPrintable(field + QStringLiteral(": ") + value));
}

void tst_DebPackage::declaredDependencies_data()
{
    QTest::addColumn<QString>("package");
    // What the programs link (computed by dpkg-shlibdeps), and the fonts the
    // window is laid out in.
    for (const char *name : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6",
                             "libc6", "libstdc++6", "fonts-liberation"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_DebPackage::declaredDependencies()
{
    QFETCH(QString, package);
    const QString depends = m_control.value(QStringLiteral("Depends"));
    QVERIFY2(packageNames(depends).contains(package),
             qPrintable(QStringLiteral("Depends: ") + depends));
}

void tst_DebPackage::contentsOwnedByRoot()
{
    // "drwxr-xr-x root/root 0 2026-12-06 22:50 ./usr/"
    QVERIFY(!m_listing.isEmpty());
    for (const QString &line : m_listing) {
        const QStringList columns = line.split(u' ', Qt::SkipEmptyParts);
        QVERIFY2(columns.size() >= 6, qPrintable(line));
        QCOMPARE(columns[1], QStringLiteral("root/root"));
        const QString mode = columns[0];
        if (!mode.startsWith(u'l')) {
            QVERIFY2(mode[5] != u'w' && mode[8] != u'w', qPrintable(line));
            QVERIFY2(!mode.contains(u's'), qPrintable(line));
        }
    }
}

void tst_DebPackage::layout_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("kind");   // program, file, or the target of a link
    QTest::addColumn<QString>("source"); // the file it is a copy of, if any

    // The programs and the guide in one folder: the panel opens guide.html
    // from its own folder.
    QTest::newRow("panel") << kProgramDir + "/vako-panel"
                           << "program" << QString();
    QTest::newRow("simulator") << kProgramDir + "/vako-txsim"
                               << "program" << QString();
    QTest::newRow("guide") << kProgramDir + "/guide.html"
                           << "file" << kSourceRoot + "/src/help/guide.html";
    QTest::newRow("guide picture") << kProgramDir + "/guide-window.png"
                                   << "file" << kSourceRoot + "/src/help/guide-window.png";
    QTest::newRow("panel on the PATH") << "usr/bin/vako-panel"
                                       << "../lib/vako-panel/vako-panel" << QString();
    QTest::newRow("simulator on the PATH") << "usr/bin/vako-txsim"
                                           << "../lib/vako-panel/vako-txsim" << QString();
    QTest::newRow("desktop entry") << "usr/share/applications/" + kAppId + ".desktop"
                                   << "file" << kSourceRoot + "/packaging/" + kAppId + ".desktop";
    QTest::newRow("metainfo") << "usr/share/metainfo/" + kAppId + ".metainfo.xml"
                              << "file" << QString();
    QTest::newRow("scalable icon") << "usr/share/icons/hicolor/scalable/apps/" + kAppId + ".svg"
                                   << "file" << kSourceRoot + "/packaging/icons/" + kAppId + ".svg";
    for (int size : kIconSizes) {
        const QString sized = QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(kAppId);
        QTest::addRow("icon %dx%d", size, size)
            << "usr/share/icons/hicolor/" + sized << "file"
            << kSourceRoot + "/packaging/icons/hicolor/" + sized;
    }
    QTest::newRow("udev rule template")
        << kUdevTemplate << "file" << kSourceRoot + "/packaging/udev/70-vako-transmitter.rules";
    QTest::newRow("copyright") << "usr/share/doc/vako-panel/copyright"
                               << "file" << QString();
}

void tst_DebPackage::layout()
{
    QFETCH(QString, path);
    QFETCH(QString, kind);
    QFETCH(QString, source);
    const QFileInfo installed(m_root + u'/' + path);
    if (kind == QLatin1String("program")) {
        QVERIFY2(installed.isFile() && !installed.isSymLink(), qPrintable(path));
        QVERIFY(installed.isExecutable());
    } else if (kind == QLatin1String("file")) {
        QVERIFY2(installed.isFile() && !installed.isSymLink(), qPrintable(path));
        QVERIFY(!installed.isExecutable());
        if (!source.isEmpty())
            QVERIFY2(contents(installed.filePath()) == contents(source), qPrintable(path));
        if (path.endsWith(QLatin1String("/copyright"))) {
            // The whole licence, as LICENSE has it.
            const QByteArray licence = contents(kSourceRoot + QStringLiteral("/LICENSE")).trimmed();
            QVERIFY(!licence.isEmpty());
            QVERIFY(contents(installed.filePath()).contains(licence));
        }
    } else {
        // A relative link, so that it holds wherever the tree is unpacked.
        QVERIFY2(installed.isSymLink(), qPrintable(path));
        char target[4096];
        const ssize_t n =
            ::readlink(QFile::encodeName(installed.filePath()).constData(), target, sizeof target);
        QCOMPARE(QString::fromLocal8Bit(target, n > 0 ? n : 0), kind);
        QCOMPARE(installed.canonicalFilePath(),
                 QFileInfo(installed.absolutePath() + u'/' + kind).canonicalFilePath());
        QVERIFY(QFileInfo(installed.canonicalFilePath()).isExecutable());
    }
}

void tst_DebPackage::nothingElseShips()
{
    // No test program, library or header slips into the package.
    QSet<QString> expected = {kProgramDir + "/vako-panel",
                              kProgramDir + "/vako-txsim",
                              kProgramDir + "/guide.html",
                              kProgramDir + "/guide-window.png",
                              QStringLiteral("usr/bin/vako-panel"),
                              QStringLiteral("usr/bin/vako-txsim"),
                              "usr/share/applications/" + kAppId + ".desktop",
                              "usr/share/metainfo/" + kAppId + ".metainfo.xml",
                              "usr/share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
                              kUdevTemplate};
    for (int size : kIconSizes)
        expected
            << QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId);

    QStringList unexpected;
    for (const QString &line : m_listing) {
        if (line.startsWith(u'd'))
            continue;
        QString path = line.section(QStringLiteral(" ./"), 1);
        path = path.section(QStringLiteral(" -> "), 0, 0);
        if (!expected.contains(path) &&
            !path.startsWith(QLatin1String("usr/share/doc/vako-panel/")))
            unexpected << path;
    }
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(u'\n')));
}

void tst_DebPackage::desktopEntryFitsInstallation()
{
    const QString desktopPath = m_root + "/usr/share/applications/" + kAppId + ".desktop";
    QMap<QString, QString> entry;
    for (const QString &line : QString::fromUtf8(contents(desktopPath)).split(u'\n')) {
        if (line.contains(u'=') && !line.startsWith(u'#'))
            entry[line.section(u'=', 0, 0)] = line.section(u'=', 1);
    }

    // The desktop runs Exec through the PATH: /usr/bin/<command>, which
    // leads to the installed program.
    const QString command = entry.value(QStringLiteral("Exec")).section(u' ', 0, 0);
    QVERIFY(!command.isEmpty() && !command.contains(u'/'));
    QCOMPARE(QFileInfo(m_root + "/usr/bin/" + command).canonicalFilePath(),
             QFileInfo(m_root + u'/' + kProgramDir + "/vako-panel").canonicalFilePath());

    // The icon name has an icon in the theme the desktop looks in.
    const QString icon = entry.value(QStringLiteral("Icon"));
    QCOMPARE(icon, kAppId);
    QVERIFY(QFile::exists(m_root + "/usr/share/icons/hicolor/scalable/apps/" + icon + ".svg"));
    QVERIFY(QFile::exists(m_root + "/usr/share/icons/hicolor/48x48/apps/" + icon + ".png"));

    // The metainfo launches this entry and names the commands that exist.
    const QString metainfo =
        QString::fromUtf8(contents(m_root + "/usr/share/metainfo/" + kAppId + ".metainfo.xml"));
    QVERIFY(metainfo.contains(QStringLiteral("<id>%1</id>").arg(kAppId)));
    QVERIFY(metainfo.contains(
        QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>").arg(kAppId)));
    int binaries = 0;
    for (const QRegularExpressionMatch &m :
         QRegularExpression(QStringLiteral("<binary>([^<]+)</binary>")).globalMatch(metainfo)) {
        QVERIFY2(QFileInfo(m_root + "/usr/bin/" + m.captured(1)).isExecutable(),
                 qPrintable(m.captured(1)));
        ++binaries;
    }
    QCOMPARE(binaries, 2);

    // AppStream's own view of the installed tree: metainfo, desktop entry
    // and icon together.
    const QString appstream = QStringLiteral(VAKO_APPSTREAMCLI);
    if (appstream.isEmpty() || appstream.endsWith(QLatin1String("-NOTFOUND")))
        QSKIP("appstreamcli not installed (scripts/deps installs it)");
    const Result tree =
        run(appstream, {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), m_root});
    QVERIFY2(tree.code == 0, (tree.out + tree.err).constData());
}

void tst_DebPackage::docsNameShippedTemplate_data()
{
    QTest::addColumn<QString>("document");
    QTest::newRow("README") << kSourceRoot + "/README.md";
    QTest::newRow("guide") << kSourceRoot + "/src/help/guide.html";
}

void tst_DebPackage::docsNameShippedTemplate()
{
    // The operator copies the udev rule template from where the documents
    // say it is.
    QFETCH(QString, document);
    QVERIFY(QFile::exists(m_root + u'/' + kUdevTemplate));
    QVERIFY2(contents(document).contains(u'/' + kUdevTemplate.toUtf8()),
             qPrintable(document + QStringLiteral(" does not name /") + kUdevTemplate));
}

void tst_DebPackage::simulatorRunsFromInstallation()
{
    const Result version =
        run(m_root + QStringLiteral("/usr/bin/vako-txsim"), {QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QCOMPARE(QString::fromUtf8(version.out).trimmed(),
             QStringLiteral("vako-txsim " VAKO_PROJECT_VERSION));
}

void tst_DebPackage::startsFromInstallation_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("folderWritable");
    // Unpacked as it is, the folder is the caller's: the file goes beside the
    // real program, not beside the link in usr/bin that started it.
    QTest::newRow("program folder writable") << "direct" << true;
    // As installed, /usr is not the operator's. A read-only bind mount in a
    // private mount namespace holds for root too.
    QTest::newRow("read-only mount") << "mount" << false;
    // The operator's case exactly: another user than the tree's owner.
    QTest::newRow("another user") << "user" << false;
}

void tst_DebPackage::startsFromInstallation()
{
    QFETCH(QString, way);
    QFETCH(bool, folderWritable);

    const QString row = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
    const QString root = unpack(m_deb, row);
    QVERIFY(!root.isEmpty());
    const QString home = kWork + QStringLiteral("/homes/") + row;
    QDir(home).removeRecursively();
    QVERIFY(QDir().mkpath(home + QStringLiteral("/.config")));

    const QString link = root + QStringLiteral("/usr/bin/vako-panel");
    const QString folder = root + u'/' + kProgramDir;
    const QString beside = folder + QStringLiteral("/vako-panel.ini");
    const QString besideLink = root + QStringLiteral("/usr/bin/vako-panel.ini");
    const QString perUser = home + QStringLiteral("/.config/VAKO/vako-panel/vako-panel.ini");

    // The program runs only if the folder it must not write to really is not
    // writable for it: the shell checks that first and ends with 97 if not.
    const QString probe = QStringLiteral(
        "if touch \"$1/.probe\" 2>/dev/null; then rm -f \"$1/.probe\"; exit 97; fi; ");
    QString program = link;
    QStringList arguments;
    if (way == QLatin1String("mount")) {
        program = QStringLiteral("unshare");
        arguments = {QStringLiteral("--mount"),
                     QStringLiteral("--map-root-user"),
                     QStringLiteral("sh"),
                     QStringLiteral("-c"),
                     QStringLiteral("mount --bind \"$2\" \"$2\" && mount -o remount,bind,ro "
                                    "\"$2\" || exit 98; ") +
                         probe + QStringLiteral("exec \"$3\""),
                     QStringLiteral("sh"),
                     folder,
                     root,
                     link};
    } else if (way == QLatin1String("user")) {
        if (::geteuid() != 0)
            QSKIP("running the program as another user needs root");
        const Result own = run(QStringLiteral("chown"),
                               {QStringLiteral("-R"), QStringLiteral("65534:65534"), home});
        QCOMPARE(own.code, 0);
        const Result reach = run(QStringLiteral("setpriv"),
                                 {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                  QStringLiteral("--clear-groups"), QStringLiteral("test"),
                                  QStringLiteral("-x"), link});
        if (reach.code != 0)
            QSKIP("the build folder is out of reach of user nobody");
        program = QStringLiteral("setpriv");
        arguments = {QStringLiteral("--reuid=65534"),
                     QStringLiteral("--regid=65534"),
                     QStringLiteral("--clear-groups"),
                     QStringLiteral("sh"),
                     QStringLiteral("-c"),
                     probe + QStringLiteral("exec \"$2\""),
                     QStringLiteral("sh"),
                     folder,
                     link};
    }

    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    panel.setProcessEnvironment(env);
    panel.start(program, arguments);
    QVERIFY(panel.waitForStarted());

    // The first start writes the built-in values; then the window is up.
    const QString expected = folderWritable ? beside : perUser;
    const bool written = waitForFile(expected, panel, 30000);
    if (!written && panel.state() == QProcess::NotRunning) {
        const QByteArray err = panel.readAllStandardError();
        if (way == QLatin1String("mount") && (panel.exitCode() == 98 || err.contains("unshare:")))
            QSKIP(qPrintable(QStringLiteral("no private read-only mount here: ") +
                             QString::fromLocal8Bit(err)));
        QVERIFY2(panel.exitCode() != 97, "the program folder was writable after all");
        QFAIL(qPrintable(QStringLiteral("ended early, exit code %1: %2")
                             .arg(panel.exitCode())
                             .arg(QString::fromLocal8Bit(err))));
    }
    QVERIFY2(written, qPrintable(expected));

    ::kill(static_cast<pid_t>(panel.processId()), SIGTERM);
    QVERIFY(panel.waitForFinished(20000));
    const QByteArray err = panel.readAllStandardError();
    QVERIFY2(panel.exitStatus() == QProcess::NormalExit && panel.exitCode() == 0, err.constData());

    const QByteArray settings = contents(expected);
    QVERIFY2(settings.contains("[VAKO]") && settings.contains("Model=BIRCH"), settings.constData());
    QVERIFY(!QFile::exists(besideLink));
    if (folderWritable)
        QVERIFY(!QFile::exists(perUser));
    else
        QVERIFY(!QFile::exists(beside));
}

void tst_DebPackage::loadsOnlyWhatItDependsOn()
{
    // On a fresh system only the declared dependencies, and what they pull
    // in, are there. So every file the running program maps (libraries, Qt's
    // plugins, fonts) must belong to one of those packages.
    const QString root = unpack(m_deb, QStringLiteral("mapped"));
    QVERIFY(!root.isEmpty());
    const QString home = kWork + QStringLiteral("/homes/mapped");
    QDir(home).removeRecursively();
    QVERIFY(QDir().mkpath(home));

    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    panel.setProcessEnvironment(env);
    panel.start(root + QStringLiteral("/usr/bin/vako-panel"), {});
    QVERIFY(panel.waitForStarted());
    QVERIFY(
        waitForFile(root + u'/' + kProgramDir + QStringLiteral("/vako-panel.ini"), panel, 30000));
    QTest::qWait(300); // let the first paint load its fonts
    const QByteArray maps = contents(QStringLiteral("/proc/%1/maps").arg(panel.processId()));
    ::kill(static_cast<pid_t>(panel.processId()), SIGTERM);
    QVERIFY(panel.waitForFinished(20000));
    QCOMPARE(panel.exitCode(), 0);

    QSet<QString> mapped;
    for (const QByteArray &line : maps.split('\n')) {
        const int slash = line.indexOf('/');
        if (slash < 0)
            continue;
        const QString path = QString::fromLocal8Bit(line.mid(slash));
        if (path.startsWith(root) || path.endsWith(QLatin1String(" (deleted)")) ||
            path.startsWith(QLatin1String("/dev/")) || path.startsWith(QLatin1String("/memfd:")))
            continue;
        mapped.insert(path);
    }
    QVERIFY2(mapped.size() > 10, maps.constData());

    // Which package owns each file.
    QStringList queries;
    for (const QString &path : mapped)
        queries << pathSpellings(path);
    const Result search =
        run(QStringLiteral("dpkg-query"), QStringList{QStringLiteral("-S")} + queries);
    QHash<QString, QStringList> owners; // spelling -> packages
    for (const QString &line : QString::fromUtf8(search.out).split(u'\n')) {
        const int colon = line.indexOf(QStringLiteral(": /"));
        if (colon < 0 || line.startsWith(QLatin1String("diversion")))
            continue;
        const QString path = line.mid(colon + 2);
        for (const QString &package : line.left(colon).split(QStringLiteral(", ")))
            owners[path] << package.section(u':', 0, 0);
    }

    // The packages a fresh system has after installing this one: its
    // dependencies, everything they depend on, and the essential set.
    const Result installed =
        run(QStringLiteral("dpkg-query"),
            {QStringLiteral("-W"), QStringLiteral("-f"),
             QStringLiteral("${Package}\\t${Status}\\t${Essential}\\t${Provides}\\t${Pre-Depends}, "
                            "${Depends}\\n")});
    QCOMPARE(installed.code, 0);
    QHash<QString, QStringList> dependsOf;
    QHash<QString, QStringList> providers;
    QStringList queue = packageNames(m_control.value(QStringLiteral("Depends")) + u',' +
                                     m_control.value(QStringLiteral("Pre-Depends")));
    for (const QString &line : QString::fromUtf8(installed.out).split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f.size() < 5 || !f[1].endsWith(QLatin1String(" installed")))
            continue;
        dependsOf[f[0]] += packageNames(f[4]);
        for (const QString &virtualName : packageNames(f[3]))
            providers[virtualName] << f[0];
        if (f[2] == QLatin1String("yes"))
            queue << f[0];
    }
    QSet<QString> present;
    while (!queue.isEmpty()) {
        const QString name = queue.takeLast();
        if (present.contains(name))
            continue;
        present.insert(name);
        queue += dependsOf.value(name);
        queue += providers.value(name);
    }

    QStringList strays;
    for (const QString &path : mapped) {
        QStringList packages;
        for (const QString &spelling : pathSpellings(path))
            packages += owners.value(spelling);
        if (packages.isEmpty()) {
            // Caches the system builds for itself belong to no package.
            if (!path.startsWith(QLatin1String("/etc/")) &&
                !path.startsWith(QLatin1String("/var/cache/")) &&
                !path.startsWith(QLatin1String("/usr/lib/locale/")) &&
                !path.endsWith(QLatin1String("gconv-modules.cache")))
                strays << path + QStringLiteral(" (no package)");
            continue;
        }
        const bool covered =
            std::any_of(packages.cbegin(), packages.cend(),
                        [&present](const QString &p) { return present.contains(p); });
        if (!covered)
            strays << path + QStringLiteral(" (") + packages.join(QStringLiteral(", ")) + u')';
    }
    QVERIFY2(
        strays.isEmpty(),
        qPrintable(QStringLiteral("not among the package's dependencies:\n") + strays.join(u'\n')));
}

QTEST_GUILESS_MAIN(tst_DebPackage)
#include "tst_debpackage.moc"
