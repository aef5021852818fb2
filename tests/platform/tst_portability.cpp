#include <QDirIterator>
#include <QRegularExpression>
#include <QTest>

// Windows builds the same sources: platform code stays in src/platform and the Unix-only src/sim.
class tst_Portability : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void onlyPlatformFolderDiffers()
    {
        const QRegularExpression rule(
            R"(^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(Q_OS_\w+|_WIN32|_WIN64|__linux__|__unix__|__APPLE__|_MSC_VER|__GNUC__|__MINGW32__)\b)"
            R"(|^\s*#\s*include\s*<(unistd|fcntl|termios|pty|util|poll|dirent|pwd|grp|signal|csignal|cerrno|errno|sys/\w+)(\.h)?>)"
            R"(|^\s*#\s*include\s*<(windows|winbase|winsock2|io|direct|conio|process|shlobj)\.h>)"
            R"(|(^|[^\w.>])::(open|close|read|write|ioctl|stat|lstat|fstat|fork|kill|pipe|socketpair|sigaction|signal|isatty|tcgetattr|tcsetattr|geteuid|getuid|unlink|usleep)\s*\()",
            QRegularExpression::MultilineOption);
        const QString source = QStringLiteral(VAKO_SOURCE_DIR "/");
        QStringList offences, allowed;
        for (QDirIterator it(source, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString relative = it.next().mid(source.size());
            QFile file(it.filePath());
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(relative));
            const bool exempt = relative.startsWith("platform/") || relative.startsWith("sim/");
            for (const QRegularExpressionMatch &m : rule.globalMatch(file.readAll()))
                (exempt ? allowed : offences) << relative + ": " + m.captured().trimmed();
        }
        // The platform code is found where it belongs: the sources were read, the rule works.
        QVERIFY2(allowed.size() > 20, qPrintable(allowed.join('\n')));
        QVERIFY2(offences.isEmpty(),
                 qPrintable("belongs in src/platform:\n" + offences.join('\n')));
    }
};

QTEST_GUILESS_MAIN(tst_Portability)
#include "tst_portability.moc"
