#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QVersionNumber>
#include <QtEndian>

// The files that ship beside the program, as the desktop and the software
// centres read them: the desktop entry, the AppStream metainfo, the icon in
// all its sizes, and the release history with the one version they carry.
class tst_ShippedFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void validators_data();
    void validators();
    void changelogIsNewestFirst();
    void versionEverywhere_data();
    void versionEverywhere();
    void iconSizesMatchDrawing_data();
    void iconSizesMatchDrawing();
    void windowsIconHoldsTheSizes();
};

namespace {

const QString kSourceRoot = QStringLiteral(VAKO_SOURCE_ROOT);
const QString kAppId = QStringLiteral(VAKO_APP_ID);
const QList<int> kIconSizes = {16, 24, 32, 48, 64, 128, 256};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString pngPath(int size)
{
    return QStringLiteral("%1/packaging/icons/hicolor/%2x%2/apps/%3.png")
        .arg(kSourceRoot)
        .arg(size)
        .arg(kAppId);
}

struct Release
{
    QString version;
    QString date;
};

// "## [1.2.3] - 2026-12-06" headings, in file order.
QList<Release> changelogReleases()
{
    QList<Release> releases;
    const QRegularExpression heading(
        QString::fromLatin1(R"(^## \[(\d+\.\d+\.\d+)\] - (\d{4}-\d{2}-\d{2})\s*$)"),
        QRegularExpression::MultilineOption);
    const QString text = QString::fromUtf8(contents(kSourceRoot + QStringLiteral("/CHANGELOG.md")));
    for (const QRegularExpressionMatch &m : heading.globalMatch(text))
        releases.append({m.captured(1), m.captured(2)});
    return releases;
}

} // namespace

void tst_ShippedFiles::validators_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("desktop entry") << QStringLiteral(VAKO_DESKTOP_FILE_VALIDATE)
                                   << QStringList{kSourceRoot + QStringLiteral("/packaging/") +
                                                  kAppId + QStringLiteral(".desktop")};
    QTest::newRow("metainfo") << QStringLiteral(VAKO_APPSTREAMCLI)
                              << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral(VAKO_PACKAGING_BUILD_DIR "/") + kAppId +
                                                 QStringLiteral(".metainfo.xml")};
}

void tst_ShippedFiles::validators()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    if (tool.isEmpty() || tool.endsWith(QLatin1String("-NOTFOUND")))
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
    QVERIFY2(!output.contains("error") && !output.contains("warning") && !output.contains("hint"),
             output.constData());
}

void tst_ShippedFiles::changelogIsNewestFirst()
{
    const QList<Release> releases = changelogReleases();
    QVERIFY(!releases.isEmpty());
    for (qsizetype i = 1; i < releases.size(); ++i) {
        const QString pair =
            releases[i - 1].version + QStringLiteral(" above ") + releases[i].version;
        QVERIFY2(QVersionNumber::fromString(releases[i - 1].version) >
                     QVersionNumber::fromString(releases[i].version),
                 qPrintable(pair));
        QVERIFY2(releases[i - 1].date >= releases[i].date, qPrintable(pair));
    }
}

void tst_ShippedFiles::versionEverywhere_data()
{
    QTest::addColumn<QString>("version");

    const QList<Release> releases = changelogReleases();
    QTest::newRow("CHANGELOG.md, newest entry")
        << (releases.isEmpty() ? QString() : releases.first().version);

    const QString metainfo = QString::fromUtf8(contents(
        QStringLiteral(VAKO_PACKAGING_BUILD_DIR "/") + kAppId + QStringLiteral(".metainfo.xml")));
    const QRegularExpressionMatch release =
        QRegularExpression(QString::fromLatin1(R"re(<release version="([^"]*)")re"))
            .match(metainfo);
    QTest::newRow("metainfo, newest release") << release.captured(1);

    // CPack writes its settings as set(NAME [==[value]==]) or set(NAME "value").
    const QString cpack = QString::fromUtf8(contents(QStringLiteral(VAKO_CPACK_CONFIG)));
    const QRegularExpressionMatch package =
        QRegularExpression(
            QString::fromLatin1(R"re(set\(CPACK_PACKAGE_VERSION\s+(?:"|\[=*\[)([^"\]]*))re"))
            .match(cpack);
    QTest::newRow("package version") << package.captured(1);
}

void tst_ShippedFiles::versionEverywhere()
{
    QFETCH(QString, version);
    QCOMPARE(version, QStringLiteral(VAKO_PROJECT_VERSION));
}

void tst_ShippedFiles::iconSizesMatchDrawing_data()
{
    QTest::addColumn<int>("size");
    for (int size : kIconSizes)
        QTest::addRow("%dx%d", size, size) << size;
}

void tst_ShippedFiles::iconSizesMatchDrawing()
{
    QFETCH(int, size);
    const QImage committed(pngPath(size));
    QVERIFY2(!committed.isNull(), qPrintable(pngPath(size)));
    QCOMPARE(committed.size(), QSize(size, size));
    QVERIFY(committed.hasAlphaChannel());
    // The corners are transparent: the panel is a rounded square.
    QCOMPARE(qAlpha(committed.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(committed.pixel(size - 1, size - 1)), 0);

    const QString rsvg = QStringLiteral(VAKO_RSVG_CONVERT);
    if (rsvg.isEmpty() || rsvg.endsWith(QLatin1String("-NOTFOUND")))
        QSKIP("rsvg-convert not installed (scripts/deps installs it)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fresh = dir.filePath(QStringLiteral("fresh.png"));
    QProcess render;
    render.start(
        rsvg,
        {QStringLiteral("--width"), QString::number(size), QStringLiteral("--height"),
         QString::number(size), QStringLiteral("--format"), QStringLiteral("png"),
         QStringLiteral("--output"), fresh,
         kSourceRoot + QStringLiteral("/packaging/icons/") + kAppId + QStringLiteral(".svg")});
    QVERIFY(render.waitForFinished(60000));
    QCOMPARE(render.exitCode(), 0);

    // A committed size that differs from the drawing was not rendered again
    // after the SVG changed (packaging/icons/render does it).
    const QImage drawn = QImage(fresh).convertToFormat(QImage::Format_ARGB32);
    const QImage kept = committed.convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(drawn.size(), kept.size());
    int worst = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb a = drawn.pixel(x, y);
            const QRgb b = kept.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
        }
    }
    QVERIFY2(worst <= 3, qPrintable(QStringLiteral("a channel differs by %1").arg(worst)));
}

void tst_ShippedFiles::windowsIconHoldsTheSizes()
{
    // An .ico: a 6-byte header, one 16-byte entry per image (width, height,
    // ..., byte count, offset), then the images, here PNG files.
    const QByteArray ico = contents(kSourceRoot + QStringLiteral("/packaging/icons/") + kAppId +
                                    QStringLiteral(".ico"));
    QVERIFY(ico.size() > 6);
    const auto u16 = [&ico](int at) { return qFromLittleEndian<quint16>(ico.constData() + at); };
    const auto u32 = [&ico](int at) { return qFromLittleEndian<quint32>(ico.constData() + at); };
    QCOMPARE(u16(0), quint16(0));
    QCOMPARE(u16(2), quint16(1));
    const int count = u16(4);
    QVERIFY(ico.size() >= 6 + 16 * count);

    QList<int> sizes;
    for (int i = 0; i < count; ++i) {
        const int entry = 6 + 16 * i;
        const int edge = quint8(ico[entry]) == 0 ? 256 : quint8(ico[entry]);
        QCOMPARE(quint8(ico[entry + 1]) == 0 ? 256 : quint8(ico[entry + 1]), edge);
        const quint32 length = u32(entry + 8);
        const quint32 offset = u32(entry + 12);
        QVERIFY(qint64(offset) + length <= ico.size());
        QCOMPARE(ico.mid(offset, length), contents(pngPath(edge)));
        sizes << edge;
    }
    // What Explorer, the taskbar and the title bar ask for.
    QCOMPARE(sizes, (QList<int>{16, 24, 32, 48, 256}));
}

QTEST_MAIN(tst_ShippedFiles)
#include "tst_shippedfiles.moc"
