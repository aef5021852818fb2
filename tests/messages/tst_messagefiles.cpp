#include "PanelFixture.h"
#include "messages/MessageFile.h"
#include "ui_main_Form.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

Q_DECLARE_METATYPE(MessageBoxRequest)

// "Open Message" and "Save Message" of the real window on files in a temporary folder.
class tst_MessageFiles : public QObject
{
    Q_OBJECT
    std::unique_ptr<PanelFixture> f;

    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(f->dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) >= 0 ? file.fileName() : "";
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<PanelFixture>();
        f->make().ui().Message_Text->setPlainText("CQ DE VAKO K");
    }
    void openThenSave_data()
    {
        QTest::addColumn<QString>("name"); // of the file opened; empty: cancel
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray start = "CQ DE VAKO K", lines = "CQ\r\nDE VAKO\r\n\r\nK";
        QByteArray upper;
        for (int b = 0x80; b <= 0xFF; ++b)
            upper += char(b);
        QTest::newRow("CR LF kept, no line end added") << "m.txt" << lines << lines;
        QTest::newRow("Windows-1252") << "m.txt" << upper << upper;
        QTest::newRow("empty file leaves the text") << "m.txt" << QByteArray() << start;
        QTest::newRow("missing file") << "gone.txt" << QByteArray() << start;
        QTest::newRow("cancelled open") << "" << QByteArray() << start;
        QTest::newRow("10 MiB fills 200 characters")
            << "m.txt" << QByteArray("0123456789").repeated(1 << 20)
            << QByteArray("0123456789").repeated(20);
    }
    void openThenSave()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, saved);
        if (name == "m.txt")
            write(name, bytes);
        const QString out = f->dir.filePath("out.txt");
        f->dialogs.fileAnswers = {name.isEmpty() ? "" : f->dir.filePath(name), out, ""};
        const QDeadlineTimer prompt(2000);
        f->form->ui().menuOpen_message->trigger();
        QVERIFY(!prompt.hasExpired());
        f->form->ui().menu_Save_Message->trigger();
        QCOMPARE(contents(out), saved);
        QVERIFY(f->dialogs.boxes.isEmpty());
        f->form->ui().menuOpen_message->trigger(); // starts at the name saved
        QCOMPARE(f->dialogs.fileRequests.value(2).startName, out);
    }
    void readsAtMost64KiB()
    {
        QCOMPARE(MessageFile::read(write("a", QByteArray(65535, 'E'))).value_or("").size(), 65535);
        QCOMPARE(MessageFile::read(write("b", QByteArray(65537, 'E'))).value_or("").size(), 65536);
    }
    void saveOverExisting_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<MessageBoxRequest>("box"); // after "File Exists!", if any; %1: the path
        QTest::addColumn<QByteArray>("after");
        const MessageBoxRequest notSaved{"The message could not be saved:\n%1", kApplicationTitle,
                                         MessageBoxRequest::Icon::Exclamation};
        QTest::newRow("Yes replaces") << "yes" << MessageBoxRequest() << QByteArray(150, 'W');
        QTest::newRow("No, then cancel") << "no" << MessageBoxRequest() << QByteArray("OLD");
        const MessageBoxRequest inUse{
            "The file is not available. It may be used by another application", "File in use"};
        QTest::newRow("read-only file") << "read-only" << inUse << QByteArray("OLD");
        QTest::newRow("folder vanishes while asking") << "vanish" << notSaved << QByteArray();
#ifdef Q_OS_UNIX
        QTest::newRow("full disk") << "full" << notSaved << QByteArray("OLD");
#endif
    }
    void saveOverExisting()
    {
        QFETCH(QString, kind);
        QFETCH(MessageBoxRequest, box);
        QFETCH(QByteArray, after);
        const QString folder = f->dir.filePath("station");
        QVERIFY(QDir().mkdir(folder));
        const QString target = write("station/message.txt", "OLD");
        f->form->ui().Message_Text->setPlainText(QString(150, u'W'));
        f->dialogs.answers = {kind == "no" ? Dialogs::Answer::No : Dialogs::Answer::Yes};
        if (kind == "read-only")
            QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner));
        if (kind == "vanish") // a USB stick pulled out while the operator reads the question
            f->dialogs.onBox = [folder](auto &) { QDir(folder).removeRecursively(); };
#ifdef Q_OS_UNIX // every write past 16 bytes fails as on a full disk, for administrators too
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const rlimit small{kind == "full" ? rlim_t(16) : saved.rlim_cur, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
#endif
        f->dialogs.fileAnswers = {target}; // a dialog opened again is cancelled
        f->form->ui().menu_Save_Message->trigger();
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &saved);
#endif
        box.text.replace("%1", QDir::toNativeSeparators(target));
        QCOMPARE(f->dialogs.boxes.value(0).title, "File Exists!");
        QCOMPARE(f->dialogs.boxes.mid(1),
                 box.text.isEmpty() ? QList<MessageBoxRequest>() : QList{box});
        QCOMPARE(f->dialogs.fileRequests.size(), kind == "no" ? 2 : 1);
        QCOMPARE(f->dialogs.fileRequests.last().startName, QString());
        QCOMPARE(contents(target), after); // and no half-written file is left behind:
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 after.isEmpty() ? QStringList() : QStringList{"message.txt"});
    }
};

QTEST_MAIN(tst_MessageFiles)
#include "tst_messagefiles.moc"
