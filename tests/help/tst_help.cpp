#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/main_Form.h"
#include "help/Help.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

// "Guide" and "About", and the guide the build places beside the program.
class tst_Help : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void guidePath_data();
    void guidePath();
    void guide_data();
    void guide();
    void guideMissingInRootFolder();
    void about();
    void helpMenuReachesHandlers();
    void builtGuideBesideProgram_data();
    void builtGuideBesideProgram();
    void guideNeedsNothingFromOutside();
};

static MessageBoxRequest notFound(const QString &path)
{
    return MessageBoxRequest{QStringLiteral("File not found!\n\n") + QDir::toNativeSeparators(path),
                             QStringLiteral("Guide"), MessageBoxRequest::Icon::Exclamation};
}

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_Help::guidePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << "/opt/vako"
                            << "/opt/vako/guide.html";
    QTest::newRow("folder with separator") << "/opt/vako/"
                                           << "/opt/vako/guide.html";
    QTest::newRow("root folder") << "/"
                                 << "/guide.html";
    QTest::newRow("drive root") << "C:/"
                                << "C:/guide.html";
    QTest::newRow("drive root, backslash") << "C:\\"
                                           << "C:\\guide.html";
}

void tst_Help::guidePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, path);
    FakeDialogs dialogs;
    QCOMPARE(Help(dialogs, folder).guidePath(), path);
}

void tst_Help::guide_data()
{
    QTest::addColumn<QString>("guide"); // file, none, folder
    QTest::addColumn<bool>("viewerOpens");
    QTest::addColumn<bool>("asked"); // whether the viewer was asked
    QTest::addColumn<bool>("reported");
    QTest::newRow("guide present") << "file" << true << true << false;
    QTest::newRow("no guide") << "none" << true << false << true;
    QTest::newRow("folder named guide.html") << "folder" << true << false << true;
    QTest::newRow("no viewer for HTML") << "file" << false << true << true;
}

void tst_Help::guide()
{
    QFETCH(QString, guide);
    QFETCH(bool, viewerOpens);
    QFETCH(bool, asked);
    QFETCH(bool, reported);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("guide.html"));
    if (guide == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (guide == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    }

    FakeDialogs dialogs;
    dialogs.documentOpens = viewerOpens;
    Help(dialogs, folder.path()).menu_Guide_Click();

    QCOMPARE(dialogs.openedDocuments, asked ? QStringList{path} : QStringList());
    QCOMPARE(dialogs.boxes,
             reported ? QList<MessageBoxRequest>{notFound(path)} : QList<MessageBoxRequest>());
}

void tst_Help::guideMissingInRootFolder()
{
    if (QFile::exists(QStringLiteral("/guide.html")))
        QSKIP("this machine has a /guide.html");
    FakeDialogs dialogs;
    Help(dialogs, QStringLiteral("/")).menu_Guide_Click();
    QCOMPARE(dialogs.boxes, QList<MessageBoxRequest>{notFound(QStringLiteral("/guide.html"))});
    QVERIFY(dialogs.openedDocuments.isEmpty());
}

void tst_Help::about()
{
    FakeDialogs dialogs;
    Help(dialogs).menu_About_Click();
    QCOMPARE(dialogs.boxes.size(), 1);
    const MessageBoxRequest box = dialogs.boxes.first();
    QCOMPARE(box.title, QStringLiteral("About"));
    QCOMPARE(box.icon, MessageBoxRequest::Icon::None);
    QCOMPARE(box.buttons, MessageBoxRequest::Buttons::Ok);
    const QStringList lines = box.text.split(u'\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("VAKO Control Panel"));
    // The version the CMake project declares, as major.minor.patch.
    QCOMPARE(lines[1], QStringLiteral("Version ") + QStringLiteral(VAKO_PROJECT_VERSION));
    QVERIFY(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+$"))
                .match(lines[1])
                .hasMatch());
    QCOMPARE(lines[2], QString());
    QCOMPARE(lines[3], QStringLiteral("Control panel for the VAKO ALDER (136 kHz) and BIRCH "
                                      "(500 kHz) CW transmitters"));
    QCOMPARE(lines[4], QStringLiteral("Free software under the MIT License"));
}

void tst_Help::helpMenuReachesHandlers()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    FakeSerialControl comm;
    FakeDialogs dialogs;
    main_Form form(comm, dialogs);
    form.setProgramFolder(folder.path());

    form.ui().menu_Guide->trigger();
    QCOMPARE(dialogs.boxes,
             QList<MessageBoxRequest>{notFound(folder.filePath(QStringLiteral("guide.html")))});
    form.ui().menu_About->trigger();
    QCOMPARE(dialogs.boxes.size(), 2);
    QCOMPARE(dialogs.boxes.last().text, Help::aboutText());
    QCOMPARE(dialogs.boxes.last().title, QStringLiteral("About"));
}

void tst_Help::builtGuideBesideProgram_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("guide") << "guide.html";
    QTest::newRow("window picture") << "guide-window.png";
}

void tst_Help::builtGuideBesideProgram()
{
    QFETCH(QString, name);
    const QDir program(QStringLiteral(VAKO_PROGRAM_DIR));
    const QDir source(QStringLiteral(VAKO_GUIDE_SOURCE_DIR));
    QVERIFY2(program.exists(name), qPrintable(program.filePath(name)));
    const QByteArray built = contents(program.filePath(name));
    QVERIFY(!built.isEmpty());
    QCOMPARE(built, contents(source.filePath(name)));

    // And "Guide" of the built program finds it there.
    FakeDialogs dialogs;
    Help(dialogs, program.path()).menu_Guide_Click();
    QCOMPARE(dialogs.openedDocuments, QStringList{program.filePath(QStringLiteral("guide.html"))});
    QVERIFY(dialogs.boxes.isEmpty());
}

void tst_Help::guideNeedsNothingFromOutside()
{
    // The guide is read on the operator's machine, often with no network:
    // every link is to a place in the guide itself or to a file beside it.
    const QDir program(QStringLiteral(VAKO_PROGRAM_DIR));
    const QString html =
        QString::fromUtf8(contents(program.filePath(QStringLiteral("guide.html"))));
    QVERIFY(html.contains(u"<h1>"));

    QSet<QString> ids;
    const QRegularExpression idPattern(QStringLiteral("\\bid=\"([^\"]+)\""));
    for (const QRegularExpressionMatch &m : idPattern.globalMatch(html))
        ids.insert(m.captured(1));

    const QRegularExpression refPattern(QStringLiteral("\\b(?:src|href)\\s*=\\s*\"([^\"]*)\""));
    int references = 0;
    for (const QRegularExpressionMatch &m : refPattern.globalMatch(html)) {
        const QString ref = m.captured(1);
        ++references;
        if (ref.startsWith(u'#')) {
            QVERIFY2(ids.contains(ref.mid(1)), qPrintable("no anchor for " + ref));
        } else {
            QVERIFY2(!ref.contains(u':') && !ref.startsWith(u'/'),
                     qPrintable("reaches outside: " + ref));
            QVERIFY2(program.exists(ref), qPrintable("not beside the guide: " + ref));
        }
    }
    QVERIFY(references > 0);
    QVERIFY2(!html.contains(QStringLiteral("url(")), "a style loads something");
    QVERIFY2(!html.contains(QStringLiteral("<script")), "the guide runs no scripts");
}

QTEST_MAIN(tst_Help)
#include "tst_help.moc"
