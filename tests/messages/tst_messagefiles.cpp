#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/main_Form.h"
#include "messages/MessageFile.h"
#include "messages/MessageFiles.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// "Open Message" and "Save Message", driven through the File menu of the real
// window with the operator's answers scripted, on files in a temporary folder.
class tst_MessageFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void open_data();
    void open();
    void readStopsAt64KiB_data();
    void readStopsAt64KiB();
    void save_data();
    void save();
    void typedLineBreaksSaveAsCrLf();
    void roundTrip_data();
    void roundTrip();
    void existingFile_data();
    void existingFile();
    void refusedSave_data();
    void refusedSave();
    void fullDiskKeepsOldFile_data();
    void fullDiskKeepsOldFile();
    void folderVanishesWhileAsking();
    void dialogRemembersName();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    static QByteArray contents(const QString &path);
    QString boxText() const;
    void setBox(const QString &text);
    void openMessage(const QString &answer);
    void saveMessage(const QStringList &answers);
    QString nextOpenStart();

    QTemporaryDir *m_dir = nullptr;
    FakeSerialControl *m_comm = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    main_Form *m_form = nullptr;
};

static const QString kStart = QStringLiteral("CQ DE VAKO K");

void tst_MessageFiles::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_comm = new FakeSerialControl;
    m_dialogs = new FakeDialogs;
    m_form = new main_Form(*m_comm, *m_dialogs);
    setBox(kStart);
}

void tst_MessageFiles::cleanup()
{
    delete m_form;
    delete m_dialogs;
    delete m_comm;
    delete m_dir;
}

QString tst_MessageFiles::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file %s", qPrintable(file.fileName()));
    return file.fileName();
}

QByteArray tst_MessageFiles::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString tst_MessageFiles::boxText() const
{
    // The raw text keeps no-break spaces, which plain text turns into spaces.
    return m_form->ui().Message_Text->document()->toRawText().replace(QChar::ParagraphSeparator,
                                                                      u'\n');
}

void tst_MessageFiles::setBox(const QString &text)
{
    QPlainTextEdit *box = m_form->ui().Message_Text;
    box->setPlainText(text);
    box->moveCursor(QTextCursor::Start);
}

void tst_MessageFiles::openMessage(const QString &answer)
{
    m_dialogs->fileAnswers = {answer};
    m_form->ui().menuOpen_message->trigger();
}

void tst_MessageFiles::saveMessage(const QStringList &answers)
{
    m_dialogs->fileAnswers = answers;
    m_form->ui().menu_Save_Message->trigger();
}

QString tst_MessageFiles::nextOpenStart()
{
    const qsizetype before = m_dialogs->fileRequests.size();
    openMessage(QString()); // cancelled
    if (m_dialogs->fileRequests.size() != before + 1)
        return QStringLiteral("<no open dialog>");
    return m_dialogs->fileRequests.last().startName;
}

// --- Open Message ---------------------------------------------------------

void tst_MessageFiles::open_data()
{
    QTest::addColumn<QString>("kind"); // file, missing, folder, cancel
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size"); // the bytes repeated up to this size
    QTest::addColumn<QString>("expected");

    const QByteArray none;
    QTest::newRow("plain") << "file" << QByteArray("VVV DE VAKO") << qint64(0) << "VVV DE VAKO";
    QTest::newRow("CR LF lines") << "file" << QByteArray("CQ CQ\r\nDE VAKO\r\nK") << qint64(0)
                                 << "CQ CQ\nDE VAKO\nK";
    QTest::newRow("LF lines") << "file" << QByteArray("CQ\nK") << qint64(0) << "CQ\nK";
    QTest::newRow("Windows-1252") << "file" << QByteArray("\x80 caf\xe9 \x9c\xa0\x96") << qint64(0)
                                  << QStringLiteral("\u20ac caf\u00e9 \u0153\u00a0\u2013");
    QTest::newRow("empty file") << "file" << none << qint64(0) << kStart;
    QTest::newRow("missing file") << "missing" << none << qint64(0) << kStart;
    QTest::newRow("folder") << "folder" << none << qint64(0) << kStart;
    QTest::newRow("cancelled") << "cancel" << none << qint64(0) << kStart;
    QString first200;
    while (first200.size() < 200)
        first200 += QStringLiteral("0123456789");
    QTest::newRow("10 MiB") << "file" << QByteArray("0123456789") << qint64(10 << 20) << first200;
}

void tst_MessageFiles::open()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(QString, expected);

    QString answer;
    if (kind == QLatin1String("file")) {
        QByteArray content = bytes;
        while (content.size() < size)
            content += bytes;
        answer = writeFile(QStringLiteral("message.txt"), content);
    } else if (kind == QLatin1String("missing")) {
        answer = path(QStringLiteral("missing.txt"));
    } else if (kind == QLatin1String("folder")) {
        answer = m_dir->path();
    }

    QElapsedTimer clock;
    clock.start();
    openMessage(answer);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed()) + " ms"));

    QCOMPARE(boxText(), expected);
    // Ready to type on at the end, on every path.
    QTextCursor caret = m_form->ui().Message_Text->textCursor();
    QVERIFY(caret.atEnd());
    QVERIFY(m_dialogs->boxes.isEmpty());
    QCOMPARE(m_dialogs->fileRequests.size(), 1);
    const FakeDialogs::FileRequest request = m_dialogs->fileRequests.first();
    QVERIFY(!request.save);
    QCOMPARE(request.title, QStringLiteral("Open Message File"));
    QCOMPARE(request.filter, QStringLiteral("Message(*.txt)|*.txt|All files(*.*)|*.*"));
}

void tst_MessageFiles::readStopsAt64KiB_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("read");
    QTest::newRow("below") << qint64(65535) << qint64(65535);
    QTest::newRow("exactly") << qint64(65536) << qint64(65536);
    QTest::newRow("one more") << qint64(65537) << qint64(65536);
    QTest::newRow("10 MiB") << qint64(10 << 20) << qint64(65536);
}

void tst_MessageFiles::readStopsAt64KiB()
{
    QFETCH(qint64, size);
    QFETCH(qint64, read);
    const QString file = writeFile(QStringLiteral("big.txt"), QByteArray(size, 'E'));
    const std::optional<QString> text = MessageFile::read(file);
    QVERIFY(text);
    QCOMPARE(text->size(), read);
}

// --- Save Message ---------------------------------------------------------

void tst_MessageFiles::save_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no line end added") << kStart << QByteArray("CQ DE VAKO K");
    QTest::newRow("line breaks as CR LF") << "CQ\nDE VAKO\nK" << QByteArray("CQ\r\nDE VAKO\r\nK");
    QTest::newRow("own final line break kept") << "K\n" << QByteArray("K\r\n");
    QTest::newRow("Windows-1252") << QStringLiteral("\u20ac caf\u00e9 \u0153\u00a0\u2013")
                                  << QByteArray("\x80 caf\xe9 \x9c\xa0\x96");
    QTest::newRow("outside the code page")
        << QStringLiteral("\u03a9 \U0001F4FB") << QByteArray("? ?");
    QTest::newRow("empty message") << QString() << QByteArray();
}

void tst_MessageFiles::save()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    setBox(text);
    const QString target = path(QStringLiteral("saved.txt"));
    saveMessage({target});

    QVERIFY(QFile::exists(target));
    QCOMPARE(contents(target), bytes);
    QVERIFY(m_dialogs->boxes.isEmpty());
    QCOMPARE(m_dialogs->fileRequests.size(), 1);
    const FakeDialogs::FileRequest request = m_dialogs->fileRequests.first();
    QVERIFY(request.save);
    QCOMPARE(request.title, QStringLiteral("Save Message File"));
    QCOMPARE(request.filter, QStringLiteral("Message(*.txt)|*.txt|All files(*.*)|*.*"));
    QCOMPARE(request.startName, QString());
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("saved.txt")});
}

void tst_MessageFiles::typedLineBreaksSaveAsCrLf()
{
    // Return starts a new paragraph, Shift+Return a new line in the same one;
    // to the operator both are a line break.
    setBox(QString());
    QPlainTextEdit *box = m_form->ui().Message_Text;
    QTest::keyClicks(box, QStringLiteral("CQ"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, QStringLiteral("DE"));
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(box, QStringLiteral("K"));
    const QString target = path(QStringLiteral("typed.txt"));
    saveMessage({target});
    QCOMPARE(contents(target), QByteArray("CQ\r\nDE\r\nK"));
}

void tst_MessageFiles::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray upper;
    for (int b = 0x80; b <= 0xFF; ++b)
        upper += char(b);
    QByteArray ascii;
    for (int b = 0x20; b < 0x7F; ++b)
        ascii += char(b);
    QTest::newRow("CR LF lines") << QByteArray("CQ CQ CQ\r\nDE VAKO\r\n\r\nK");
    QTest::newRow("upper half of Windows-1252") << upper;
    QTest::newRow("printable ASCII and a tab") << ascii.insert(40, "\r\n\t");
}

void tst_MessageFiles::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(bytes.size() <= kMaxMessageLength + 1);
    openMessage(writeFile(QStringLiteral("in.txt"), bytes));
    const QString out = path(QStringLiteral("out.txt"));
    saveMessage({out});
    QCOMPARE(contents(out), bytes);
}

void tst_MessageFiles::existingFile_data()
{
    QTest::addColumn<QList<Dialogs::Answer>>("answers");
    QTest::addColumn<QString>("second"); // the name given to a reopened dialog
    QTest::addColumn<QByteArray>("oldAfter");
    QTest::addColumn<QByteArray>("otherAfter"); // empty: no such file

    using A = Dialogs::Answer;
    QTest::newRow("Yes replaces") << QList<A>{A::Yes} << QString() << QByteArray("NEW TEXT")
                                  << QByteArray();
    QTest::newRow("No, then cancel")
        << QList<A>{A::No} << QString() << QByteArray("OLD") << QByteArray();
    QTest::newRow("No, then another name")
        << QList<A>{A::No} << "other.txt" << QByteArray("OLD") << QByteArray("NEW TEXT");
}

void tst_MessageFiles::existingFile()
{
    QFETCH(QList<Dialogs::Answer>, answers);
    QFETCH(QString, second);
    QFETCH(QByteArray, oldAfter);
    QFETCH(QByteArray, otherAfter);

    const QString old = writeFile(QStringLiteral("old.txt"), "OLD");
    setBox(QStringLiteral("NEW TEXT"));
    m_dialogs->answers = answers;
    saveMessage({old, second.isEmpty() ? QString() : path(second)});

    MessageBoxRequest question;
    question.text = QStringLiteral("File Already Exists!\n\nDo you want replace it?");
    question.title = QStringLiteral("File Exists!");
    question.buttons = MessageBoxRequest::Buttons::YesNo;
    question.defaultYes = true;
    QCOMPARE(m_dialogs->boxes, QList<MessageBoxRequest>{question});

    QCOMPARE(contents(old), oldAfter);
    const QString other = path(QStringLiteral("other.txt"));
    QCOMPARE(QFile::exists(other), !otherAfter.isEmpty());
    if (!otherAfter.isEmpty())
        QCOMPARE(contents(other), otherAfter);
    // After No the dialog opens again, and again with an empty name.
    const qsizetype dialogs = answers.first() == Dialogs::Answer::No ? 2 : 1;
    QCOMPARE(m_dialogs->fileRequests.size(), dialogs);
    for (const FakeDialogs::FileRequest &request : m_dialogs->fileRequests)
        QCOMPARE(request.startName, QString());
}

void tst_MessageFiles::refusedSave_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // %1: the path chosen
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("asked"); // whether "File Exists!" came first

    const QString inUse =
        QStringLiteral("The file is not available. It may be used by another application");
    const int none = int(MessageBoxRequest::Icon::None);
    const int exclamation = int(MessageBoxRequest::Icon::Exclamation);
    QTest::newRow("read-only file") << "read-only"
                                    << "File in use" << inUse << none << true;
    QTest::newRow("name of a folder") << "folder"
                                      << "File in use" << inUse << none << true;
    QTest::newRow("path through a file")
        << "through-file" << kApplicationTitle << "Problem with the file" << none << false;
    QTest::newRow("name too long")
        << "too-long" << kApplicationTitle << "Problem with the file" << none << false;
    QTest::newRow("folder missing")
        << "no-folder" << kApplicationTitle << "The message could not be saved:\n%1" << exclamation
        << false;
}

void tst_MessageFiles::refusedSave()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(bool, asked);

    QString target;
    QByteArray before;
    QStringList files; // the files the folder holds before the save
    if (kind == QLatin1String("read-only")) {
        target = writeFile(QStringLiteral("protected.txt"), "OLD");
        before = "OLD";
        files << QStringLiteral("protected.txt");
        QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ReadOther));
    } else if (kind == QLatin1String("folder")) {
        target = path(QStringLiteral("folder.txt"));
        QVERIFY(QDir().mkdir(target));
    } else if (kind == QLatin1String("through-file")) {
        target = writeFile(QStringLiteral("plain.txt"), "OLD") + QStringLiteral("/inside.txt");
        files << QStringLiteral("plain.txt");
    } else if (kind == QLatin1String("too-long")) {
        target = path(QString(300, u'x') + QStringLiteral(".txt"));
    } else {
        target = path(QStringLiteral("gone/message.txt"));
    }

    setBox(QStringLiteral("NEW TEXT"));
    saveMessage({target});

    QCOMPARE(m_dialogs->boxes.size(), asked ? 2 : 1);
    if (asked)
        QCOMPARE(m_dialogs->boxes.first().title, QStringLiteral("File Exists!"));
    const MessageBoxRequest refusal = m_dialogs->boxes.last();
    QCOMPARE(refusal.title, title);
    QCOMPARE(refusal.text,
             text.contains(u"%1") ? text.arg(QDir::toNativeSeparators(target)) : text);
    QCOMPARE(int(refusal.icon), icon);
    QCOMPARE(refusal.buttons, MessageBoxRequest::Buttons::Ok);

    // Nothing was written: the old file keeps its text, a folder stays a
    // folder, and no other file appeared.
    if (!before.isEmpty())
        QCOMPARE(contents(target), before);
    if (kind == QLatin1String("folder"))
        QVERIFY(QFileInfo(target).isDir());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), files);
}

void tst_MessageFiles::fullDiskKeepsOldFile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("replacing a file") << true;
    QTest::newRow("new file") << false;
}

void tst_MessageFiles::fullDiskKeepsOldFile()
{
#ifdef Q_OS_UNIX
    QFETCH(bool, existing);
    const QString target = path(QStringLiteral("message.txt"));
    if (existing)
        writeFile(QStringLiteral("message.txt"), "OLD");
    setBox(QString(150, u'W'));

    // The file-size limit makes every write past 16 bytes fail as on a full
    // disk, for administrators too.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    saveMessage({target});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(m_dialogs->boxes.size(), existing ? 2 : 1);
    const MessageBoxRequest failure = m_dialogs->boxes.last();
    QCOMPARE(failure.text, QStringLiteral("The message could not be saved:\n") +
                               QDir::toNativeSeparators(target));
    QCOMPARE(failure.title, kApplicationTitle);
    QCOMPARE(failure.icon, MessageBoxRequest::Icon::Exclamation);
    // The old text is whole, and no half-written file is left behind.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             existing ? QStringList{QStringLiteral("message.txt")} : QStringList());
    if (existing)
        QCOMPARE(contents(target), QByteArray("OLD"));
#else
    QSKIP("needs a file-size limit");
#endif
}

void tst_MessageFiles::folderVanishesWhileAsking()
{
    const QString folder = path(QStringLiteral("station"));
    QVERIFY(QDir().mkdir(folder));
    const QString target = folder + QStringLiteral("/message.txt");
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    // A USB stick pulled out while the operator reads the question.
    m_dialogs->onBox = [folder](const MessageBoxRequest &box) {
        if (box.title == QLatin1String("File Exists!"))
            QDir(folder).removeRecursively();
    };
    saveMessage({target});

    QCOMPARE(m_dialogs->boxes.size(), 2);
    QCOMPARE(m_dialogs->boxes.last().text, QStringLiteral("The message could not be saved:\n") +
                                               QDir::toNativeSeparators(target));
    QVERIFY(!QFile::exists(folder));
}

void tst_MessageFiles::dialogRemembersName()
{
    QCOMPARE(nextOpenStart(), QString());

    const QString a = writeFile(QStringLiteral("a.txt"), "A");
    openMessage(a);
    QCOMPARE(nextOpenStart(), a);
    QCOMPARE(nextOpenStart(), a); // a cancelled open keeps it

    const QString b = path(QStringLiteral("b.txt"));
    saveMessage({b});
    QCOMPARE(m_dialogs->fileRequests.last().startName, QString()); // save starts empty
    QCOMPARE(nextOpenStart(), b);

    saveMessage({QString()}); // cancelled save
    QCOMPARE(nextOpenStart(), QString());
    QVERIFY(m_dialogs->boxes.isEmpty());
}

QTEST_MAIN(tst_MessageFiles)
#include "tst_messagefiles.moc"
