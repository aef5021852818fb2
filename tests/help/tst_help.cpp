#include "FakeDialogs.h"
#include "help/Help.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_Help : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void guidePathHasOneSeparator()
    {
        FakeDialogs dialogs;
        QCOMPARE(Help(dialogs, "/").guidePath(), "/guide.html");
        QCOMPARE(Help(dialogs, "C:\\").guidePath(), "C:\\guide.html");
    }
    void guide()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("guide.html");
        const MessageBoxRequest notFound{"File not found!\n\n" + QDir::toNativeSeparators(path),
                                         "Guide", MessageBoxRequest::Icon::Exclamation};
        FakeDialogs dialogs;
        Help help(dialogs, folder.path());
        help.menu_Guide_Click();
        QCOMPARE(dialogs.boxes, QList{notFound});
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        help.menu_Guide_Click();
        QCOMPARE(dialogs.openedDocuments, QStringList{path});
        dialogs.documentOpens = false; // no viewer for HTML
        help.menu_Guide_Click();
        QCOMPARE(dialogs.boxes, (QList{notFound, notFound}));
    }
    void builtProgramFindsItsGuide()
    {
        FakeDialogs dialogs;
        Help(dialogs, VAKO_PROGRAM_DIR).menu_Guide_Click();
        QCOMPARE(dialogs.openedDocuments, QStringList{VAKO_PROGRAM_DIR "/guide.html"});
        QVERIFY(dialogs.boxes.isEmpty());
    }
    void about()
    {
        FakeDialogs dialogs;
        Help(dialogs).menu_About_Click();
        QCOMPARE(dialogs.boxes.value(0).title, "About");
        QCOMPARE(dialogs.boxes.value(0).text,
                 "VAKO Control Panel\nVersion " VAKO_PROJECT_VERSION "\n\nControl panel for the "
                 "VAKO ALDER (136 kHz) and BIRCH (500 kHz) CW transmitters\nFree software under "
                 "the MIT License");
    }
};

QTEST_GUILESS_MAIN(tst_Help)
#include "tst_help.moc"
