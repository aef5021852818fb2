#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

// The panel builds with MSVC on Windows from the same sources, and nothing
// here can compile it that way. What keeps that true is a rule this suite
// checks: platform tests, POSIX headers and POSIX calls appear only in
// src/platform, and in src/sim, the simulator that is built on Unix alone.
class tst_Portability : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void onlyPlatformFolderDiffers_data();
    void onlyPlatformFolderDiffers();
};

void tst_Portability::onlyPlatformFolderDiffers_data()
{
    QTest::addColumn<QString>("pattern");
    // A line the pattern has to catch, so that a pattern that matches
    // nothing cannot pass for a clean tree.
    QTest::addColumn<QString>("example");
    QTest::newRow("platform test")
        << R"(^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(Q_OS_\w+|_WIN32|_WIN64|__linux__|__unix__|__APPLE__|_MSC_VER|__GNUC__|__MINGW32__)\b)"
        << "#if defined(Q_OS_WIN) || defined(__linux__)";
    QTest::newRow("POSIX header")
        << R"(^\s*#\s*include\s*<(unistd|fcntl|termios|pty|util|poll|dirent|pwd|grp|signal|csignal|cerrno|errno|sys/\w+)(\.h)?>)"
        << "#include <sys/stat.h>";
    QTest::newRow("Windows header")
        << R"(^\s*#\s*include\s*<(windows|winbase|winsock2|io|direct|conio|process|shlobj)\.h>)"
        << "#include <windows.h>";
    QTest::newRow("POSIX call")
        << R"((^|[^\w.>])::(open|close|read|write|ioctl|stat|lstat|fstat|fork|kill|pipe|socketpair|sigaction|signal|isatty|tcgetattr|tcsetattr|geteuid|getuid|unlink|usleep)\s*\()"
        << "    if (::stat(name, &status) == 0)";
}

void tst_Portability::onlyPlatformFolderDiffers()
{
    QFETCH(QString, pattern);
    QFETCH(QString, example);
    const QRegularExpression rule(pattern);
    QVERIFY2(rule.isValid(), qPrintable(rule.errorString()));
    QVERIFY(rule.match(example).hasMatch());

    const QString source = QStringLiteral(VAKO_SOURCE_DIR);
    QStringList offences;
    int files = 0;
    QDirIterator it(source, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(source.size() + 1);
        if (relative.startsWith(QLatin1String("platform/")) ||
            relative.startsWith(QLatin1String("sim/")))
            continue;
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        ++files;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (int i = 0; i < lines.size(); ++i) {
            if (rule.match(lines[i]).hasMatch())
                offences << QStringLiteral("src/%1:%2: %3").arg(relative).arg(i + 1).arg(lines[i]);
        }
    }
    QVERIFY2(files > 20, "the sources were not found");
    QVERIFY2(offences.isEmpty(),
             qPrintable(QStringLiteral("belongs in src/platform:\n") + offences.join(u'\n')));
}

QTEST_GUILESS_MAIN(tst_Portability)
#include "tst_portability.moc"
