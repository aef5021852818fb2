#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// The files that ship beside the program, as the desktop and the software centres read them.
class tst_ShippedFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void validates_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop entry")
            << VAKO_DESKTOP_FILE_VALIDATE
            << QStringList{VAKO_SOURCE_ROOT "/packaging/" VAKO_APP_ID ".desktop"};
        QTest::newRow("metainfo") << VAKO_APPSTREAMCLI
                                  << QStringList{"validate", "--no-net",
                                                 VAKO_PACKAGING_BUILD_DIR "/" VAKO_APP_ID
                                                                          ".metainfo.xml"};
    }
    void validates()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        if (tool.isEmpty() || tool.endsWith("-NOTFOUND"))
            QSKIP("validator not installed (scripts/deps installs it)");
        QVERIFY2(QFile::exists(arguments.last()), qPrintable(arguments.last()));
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start(tool, arguments);
        QVERIFY(validator.waitForFinished(60000));
        const QByteArray output = validator.readAll();
        QVERIFY2(validator.exitStatus() == QProcess::NormalExit && validator.exitCode() == 0,
                 output.constData());
        // desktop-file-validate passes hints with exit code 0; none are welcome.
        QVERIFY2(!output.contains("error") && !output.contains("warning") &&
                     !output.contains("hint"),
                 output.constData());
    }
    void changelogNamesTheProjectVersion()
    {
        QFile changelog(VAKO_SOURCE_ROOT "/CHANGELOG.md");
        QVERIFY(changelog.open(QIODevice::ReadOnly));
        const QRegularExpression heading(R"(^## \[(\d+\.\d+\.\d+)\] - \d{4}-\d{2}-\d{2}\s*$)",
                                         QRegularExpression::MultilineOption);
        QCOMPARE(heading.match(changelog.readAll()).captured(1), VAKO_PROJECT_VERSION);
    }
};

QTEST_GUILESS_MAIN(tst_ShippedFiles)
#include "tst_shippedfiles.moc"
