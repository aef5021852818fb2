#include "DisplayLabel.h"
#include "PanelFixture.h"
#include "PortRegistration.h"
#include "Program.h"
#include "messages/MessageFile.h"
#include "remote/RigServer.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QSerialPort>
#include <QtNetwork>
#include <QtWidgets>

#include <atomic>
#include <cstdio>
#include <thread>

#include <dlfcn.h>
#include <grp.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// Faults of the line, the disk, the network port and the settings file, tried on the panel
// in this process with a pseudo-terminal as the transmitter. Long runs only with VAKO_SOAK.
namespace {

const bool soak = qEnvironmentVariableIsSet("VAKO_SOAK");
const int kFloodMs = soak ? 10000 : 1500;
const QString kLost = "The Com Port is not available";
// AddressSanitizer holds freed memory back: with it, resident memory tells nothing.
const bool kAsan = dlsym(RTLD_DEFAULT, "__asan_init");

qint64 residentKiB()
{
    const QByteArray status = fileBytes("/proc/self/status");
    return status.mid(status.indexOf("VmRSS:") + 6).trimmed().split(' ').first().toLongLong();
}

// Floods from a thread (`send`: bytes sent, negative once it cannot go on; `stop` ends a
// blocked one) while `turn` runs the window: bytes sent, the longest turn, memory growth.
struct Flood
{
    qint64 bytes, longestTurn, growthKiB;
};
Flood flood(
    const std::function<qint64()> &send, const std::function<void()> &turn,
    const std::function<void()> &stop = [] {})
{
    Flood figures{0, 0, -residentKiB()};
    std::atomic<bool> stopping = false;
    std::atomic<qint64> sent = 0;
    std::thread sender([&] {
        for (qint64 n = 0; n >= 0 && !stopping; n = send())
            sent += n;
    });
    QElapsedTimer clock, lap;
    for (clock.start(); clock.elapsed() < kFloodMs;
         figures.longestTurn = std::max(figures.longestTurn, lap.elapsed()))
        lap.start(), turn();
    stopping = true;
    stop();
    sender.join();
    return {sent, figures.longestTurn, figures.growthKiB + residentKiB()};
}

// Save k of the crash test writes this into all thirteen entries: a file that ends
// early or mixes two saves holds no such set. (No odd number is a multiple of 1000.)
const auto numberOfSave = [](qint64 k) { return k % 2 ? k : k * 1000; };

// Other serial programs, and other panels, run as `user`: "root", or "dialout", an ordinary
// user in that group, for whom the exclusive mode binds too. The transmitter's pseudo-terminal
// belongs to the group, as a serial device does, and has a link to it.
struct Others
{
    explicit Others(const QString &user) : user(user)
    {
        const QByteArray device = QFile::encodeName(pty.deviceName());
        if (::geteuid() != 0 || ::chown(device, 0, gid) != 0 || ::chmod(device, 0660) != 0 ||
            ::chmod(QFile::encodeName(folder.path()), 0755) != 0)
            QTest::qSkip("serial programs as other users need root", __FILE__, __LINE__);
        QFile::link(pty.deviceName(), folder.filePath("ttyLINK"));
        QFile::copy(VAKO_HOLDPORT_PATH, folder.filePath("holdport"));
        QFile::copy(VAKO_TEST_DATA "/pyserial-hold.py", folder.filePath("pyserial"));
    }
    ~Others()
    {
        for (const auto &process : started) { // ended as an operator would end them
            process->closeWriteChannel();
            process->waitForFinished(3000) || (process->kill(), process->waitForFinished());
        }
    }
    QProcess *start(QString command)
    {
        command.replace("{dev}", pty.deviceName()).replace("{link}", folder.filePath("ttyLINK"));
        command.replace("holdport", folder.filePath("holdport"))
            .replace("pyserial", "/usr/bin/python3 " + folder.filePath("pyserial"));
        const QString ids = QString::number(uid); // root's, or nobody's
        QStringList words = QStringList{"setpriv", "--reuid=" + ids, "--regid=" + ids,
                                        "--groups=" + QString::number(gid), "--"} +
                            command.split(' ');
        QProcess *process = started.emplace_back(std::make_unique<QProcess>()).get();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(words.takeFirst(), words);
        return process;
    }
    QString user;
    uid_t uid = user == "root" ? 0 : 65534;
    gid_t gid = ::getgrnam("dialout") ? ::getgrnam("dialout")->gr_gid : 20;
    Pty pty;
    QTemporaryDir folder;
    std::vector<std::unique_ptr<QProcess>> started;
};

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT
    std::unique_ptr<PanelFixture> f;

    main_Form &startOnPty(const char *port = "3")
    {
        f = std::make_unique<PanelFixture>(true);
        return f->start(
            settingsWith({}).replace("Portnumber= 0", QByteArray("Portnumber= ") + port));
    }
    QString boxes()
    {
        QStringList texts;
        for (const MessageBoxRequest &box : f->dialogs.boxes)
            texts << box.text;
        return texts.join(';');
    }

private Q_SLOTS:
    void cleanup() { f.reset(); }

    // Events at their ms, in order with the 100 ms reply timer: the query "?", the operator's
    // "close" and "Com3", the far end
    // that will "vanish" (also in the "ALDER" switch's burst), "~text" a byte every 10 ms, else
    // what the transmitter sends. Then the port, ALDER's and BIRCH's stored ports, the boxes.
    void lineEvents_data()
    {
        const QString sw = "\nVAKO ALDER & BIRCH Embedded SW\nControl panel for the VAKO ALDER "
                           "and BIRCH transmitters",
                      none = "open 3|33|No Connection to VAKO Transmitter",
                      lost = "closed|33|" + kLost; // the next start tries the port again
        rows({{"far end gone, idle", "0:vanish", lost},
              {"line hung up, as an adapter pulled out", "0:hangup", lost},
              {"far end gone during a model switch's burst", "0:ALDER", lost},
              {"far end gone before the tick", "0:?", "50:vanish", lost},
              {"port closed before the tick", "0:?", "10:#I:V1.4", "50:close", "closed|30|"},
              {"CR kept", "0:?", "10:#I:V1.4\r", "open 3|33|V1.4\r" + sw},
              {"a station program's message while the reply waits", "0:?", "10:#I:V1.4\r",
               "45:b CQ", "open 3|33|V1.4\r" + sw},
              {"three characters", "0:?", "10:#I:", "open 3|33|" + sw},
              {"a reply trickling across the wait", "0:?", "10:~#I:VAKO BIRCH V1.2\r",
               "open 3|33|V*" + sw},
              {"none", "0:?", none},
              {"a second query discards the first reply", "0:?", "10:#I:FIRST", "50:?",
               "70:#I:SECOND", "open 3|33|SECOND" + sw},
              {"and keeps the first wait", "0:?", "50:?", "110:#I:LATE", none}});
    }
    void lineEvents()
    {
        QFETCH(QStringList, row);
        const QString expected = row.takeLast();
        main_Form &form = startOnPty();
        f->transmitter.write("#I:UNPROMPTED\r"); // said before a query: no part of its reply
        QElapsedTimer clock;
        f->dialogs.onBox = [&](const MessageBoxRequest &box) { // never before the tick
            QVERIFY2(box.text == kLost || clock.elapsed() >= 90, qPrintable(box.text));
        };
        const QHash<QByteArray, QAction *> actions{
            {"?", f->get<QAction>("menuShow_VAKO_Software_Version")},
            {"close", f->get<QAction>("menuCloseComPort")},
            {"Com3", f->get<QAction>("menuCom", 3)},
            {"ALDER", f->get<QAction>("menu_VAKO_ALDER")}};
        QByteArray trickled; // a byte every 10 ms
        QTimer trickle;
        bool refused = false;
        trickle.callOnTimeout([&] { trickled.remove(0, f->transmitter.write(trickled.left(1))); });
        trickle.start(10);
        const auto act = [&](const QByteArray &what) {
            if (what == "ALDER") // the far end goes once the refresh has begun
                connect(
                    f->get<DisplayLabel>("Frequency_display"), &DisplayLabel::captionChanged, this,
                    [&] { f->transmitter.closeMaster(); }, Qt::SingleShotConnection);
            if (actions.contains(what))
                actions[what]->trigger();
            else if (what == "hangup")
                refused = !f->transmitter.hangUp(); // a container may not allow it
            else if (what == "vanish")
                f->transmitter.closeMaster();
            else if (what.startsWith("b ")) // as the network port sends it
                form.remoteControl().sendMorse(QString(what.mid(2)));
            else if (what.startsWith('~'))
                trickled = what.mid(1);
            else
                f->transmitter.write(what);
        };
        QEventLoop loop;
        for (const QString &event : row)
            QTimer::singleShot(event.section(':', 0, 0).toInt(), Qt::PreciseTimer, &loop,
                               [&act, what = event.section(':', 1).toLatin1()] { act(what); });
        QTimer::singleShot(400, &loop, &QEventLoop::quit);
        clock.start();
        loop.exec();
        if (refused)
            return QTest::qSkip("hanging up a terminal is not permitted here", __FILE__, __LINE__);
        if (!expected.endsWith('|')) // a busy machine may tick late, never early
            QTRY_VERIFY_WITH_TIMEOUT(!f->dialogs.boxes.isEmpty(), 5000);
        QTest::qWait(300); // nothing more follows, the reply timer's tick included
        const QString state = f->portState();
        form.close();
        const IniDocument saved = IniDocument::load(f->path());
        const QString got = state + '|' + saved.value("ALDER_settings", "Portnumber").value_or("") +
                            saved.value("BIRCH_settings", "Portnumber").value_or("") + '|' +
                            boxes();
        QVERIFY2(
            QRegularExpression::fromWildcard(expected, Qt::CaseSensitive).match(got).hasMatch(),
            qPrintable(got));
        QVERIFY(!f->replyTimer()->isActive());
    }

    // More than the line takes at once, at a rate without a code of its own, reaches the
    // transmitter whole and in order; once the panel lets the port go, another program has it.
    void serialLine()
    {
        Pty pty;
        const auto comm = makePortSerialControl([&pty](qint64) { return pty.deviceName(); });
        QVERIFY(comm->setSettings("14400,n,8,1") && comm->setCommPort(1) &&
                comm->setPortOpen(true));
        QByteArray sent, got;
        for (int i = 0; sent.size() < 256 * 1024; ++i)
            sent += "=F" + QByteArray::number(i) + '\r';
        QVERIFY(comm->output(sent));
        QTRY_VERIFY_WITH_TIMEOUT((got += pty.read()).size() >= sent.size(), 10000);
        QVERIFY2(got == sent, "lost or reordered");
        comm->setPortOpen(false);
        QVERIFY(QSerialPort(pty.deviceName()).open(QIODevice::ReadWrite));
    }

    // The port as serial programs on Linux hold it, as root and as an ordinary user in the
    // group dialout: the kernel's lock (picocom, pyserial's exclusive mode), lock files (another
    // panel's, the UUCP tools'), a link's name and the device's. A holder (a command, else a lock
    // file naming this running suite as {pid}, aged by `age` seconds), then a second program.
    void locks_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<int>("age");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("seen"); // its exit code and what it said, as a pattern
        const QString panel = "holdport open {dev}", probe = "holdport probe {dev}",
                      picocom = "picocom -b 115200 {dev}", pyserial = "pyserial {dev}",
                      inUse = "1 in use by another program", none;
        for (const QString user : {"root", "dialout"}) {
            const auto row = [&user](const char *name, const QString &holder,
                                     const QByteArray &lock, int age, const QString &second,
                                     const QString &seen) {
                QTest::newRow(qPrintable(user + ": " + name))
                    << user << holder << lock << age << second << seen;
            };
            row("picocom holds it", picocom, {}, 0, panel, inUse);
            row("the panel holds it: picocom", panel, {}, 0, picocom, "1 .*FATAL: cannot.*");
            row("pyserial holds it", pyserial, {}, 0, panel, inUse);
            row("the panel holds it: pyserial", panel, {}, 0, pyserial, "1 .*(lock|busy).*");
            row("another panel, for two minutes", panel, {}, 120, panel, inUse);
            row("a UUCP tool's lock, two minutes old", none, "{pid}\n", 120, panel, inUse);
            row("a lock its ended program left", none, "2147483647\nvako-panel\n", 0, panel,
                "0 open");
            row("a lock whose number is now another's", none, "{pid}\nvako-panel\n", 0, panel,
                "0 open");
            row("an empty lock a crash left", none, "", 120, panel, "0 open");
            row("the probe of a free port", none, {}, 0, probe, "0 open");
            row("the probe of a port picocom holds", picocom, {}, 0, probe, inUse);
            row("the probe of something else", none, {}, 0, "holdport probe /dev/null",
                "1 not a serial port");
            row("the probe of a port not there", none, {}, 0, "holdport probe /dev/ttyS-none",
                "1 not there");
            row("the panel holds the link: the device", "holdport open {link}", {}, 0, panel,
                inUse);
            row("the panel holds the link: a Qt program on the device", "holdport open {link}", {},
                0, "holdport qt {dev}", inUse);
            row("the panel holds the device: the link", panel, {}, 0, "holdport open {link}",
                inUse);
            row("the panel holds the device: the link's probe", panel, {}, 0,
                "holdport probe {link}", inUse);
        }
    }
    void locks()
    {
        QFETCH(QString, user);
        QFETCH(QString, holder);
        QFETCH(QByteArray, lock);
        QFETCH(int, age);
        QFETCH(QString, second);
        QFETCH(QString, seen);
        Others others(user);
        const QString lockFile =
            "/var/lock/LCK.." + others.pty.deviceName().mid(5).replace('/', '_');
        if (QProcess *first = holder.isEmpty() ? nullptr : others.start(holder)) {
            QByteArray said; // picocom says more before it has the port
            QVERIFY(QTest::qWaitFor(
                [&] {
                    first->waitForReadyRead(50);
                    said += first->readAll();
                    return said.contains("open\n") || said.contains("Terminal ready");
                },
                5000));
        }
        if (holder.isEmpty() && !lock.isNull())
            QVERIFY(putFile(lockFile,
                            lock.replace("{pid}",
                                         QByteArray::number(QCoreApplication::applicationPid()))) &&
                    ::chown(QFile::encodeName(lockFile), others.uid, others.uid) == 0);
        QVERIFY(age == 0 || QProcess::execute("touch", {"-d", QString("%1 seconds ago").arg(age),
                                                        lockFile}) == 0);
        QProcess *next = others.start(second);
        next->closeWriteChannel();
        QVERIFY(next->waitForFinished(5000));
        const QString said = QString::number(next->exitCode()) + ' ' +
                             QString::fromLocal8Bit(next->readAll()).simplified();
        QFile::remove(lockFile);
        QVERIFY2(QRegularExpression('^' + seen + '$').match(said).hasMatch(), qPrintable(said));
    }

    // Two panels started at the same moment on one port: exactly one gets it.
    void twoPanelsAtOnce_data() { rows({{"root", "root"}, {"dialout", "dialout"}}); }
    void twoPanelsAtOnce()
    {
        QFETCH(QStringList, row);
        Others others(row[0]);
        QProcess *one = others.start("holdport open {dev}"),
                 *two = others.start("holdport open {dev}");
        QVERIFY(one->waitForReadyRead(5000) && two->waitForReadyRead(5000));
        QStringList said{QString(one->readAll()).trimmed(), QString(two->readAll()).trimmed()};
        said.sort();
        QCOMPARE(said.join('|'), "in use by another program|open");
    }

    // A port whose open never returns holds neither the open nor the probe past their bound.
    void openNeverReturns()
    {
        QTemporaryDir mount;
        QProcess fileSystem;
        fileSystem.start("/usr/bin/python3",
                         {VAKO_TEST_DATA "/open-never-returns.py", mount.path()});
        const QString device = mount.path() + "/ttyHANG";
        if (::geteuid() != 0 || !QFile::exists("/dev/fuse") ||
            !QTest::qWaitFor([&] { return QFile::exists(device); }, 5000))
            QSKIP("no file system in user space to mount here");
        const auto comm = makePortSerialControl([&device](qint64) { return device; });
        QElapsedTimer clock;
        clock.start();
        const bool opened = comm->setCommPort(1) && comm->setPortOpen(true);
        const QString why = refusalText(comm->refusal());
        const QString probed = refusalText(comm->probePorts({1, 1}).value(1));
        const qint64 ms = clock.elapsed();
        fileSystem.kill(); // the blocked opens fail, and their threads end
        fileSystem.waitForFinished();
        QProcess::execute("umount", {"-l", mount.path()});
        QCOMPARE(QString("%1 %2 %3").arg(opened).arg(why, probed), "0 not answering not answering");
        QVERIFY2(ms < 2 * 1500 + 1000, qPrintable(QString::number(ms))); // two bounds, no more
    }

    // A transmitter that never stops talking: memory stays bounded, the window keeps
    // answering, and a reply after the flood still arrives whole.
    void flood()
    {
        startOnPty();
        const QByteArray noise = QByteArray("#I:VAKO BIRCH 1.0 noise ").repeated(170);
        int turns = 0; // of the event loop; two reads, as queries make them, then none
        const Flood flooded = ::flood([&] { return f->transmitter.write(noise); },
                                      [&] {
                                          QTest::qWait(20);
                                          if (++turns <= 50 && turns % 25 == 0)
                                              f->real->input();
                                      });
        QTRY_COMPARE_WITH_TIMEOUT(f->transmitter.waitingForPanel(), 0, 10000); // all taken in
        f->transmitter.write("\r#I:VAKO BIRCH V1.2\r");
        QTest::qWait(50);
        const QByteArray received = f->real->input();
        qInfo("reliability: flood bytes=%lld seconds=%.1f longest-turn-ms=%lld rss-growth-kib=%lld "
              "most-held=%lld",
              flooded.bytes, kFloodMs / 1000.0, flooded.longestTurn, flooded.growthKiB,
              qint64(received.size()));
        QVERIFY2(flooded.bytes > 1 << 20, "the flood did not get going");
        QVERIFY2(received.endsWith("\r#I:VAKO BIRCH V1.2\r") && received.size() <= 64 * 1024,
                 "the panel held more than 64 KiB of noise, or not the newest");
        QVERIFY2(kAsan || flooded.growthKiB < 32 * 1024, "memory grew with the flood");
        QVERIFY2(flooded.longestTurn < 2000, "the window stopped answering");
        QCOMPARE(f->portState() + boxes(), "open 3");
    }

    // Station programs on the network port: a peer not allowed, four that poll and four that went
    // silent before a fifth, a line without end, more junk than one turn reads, one gone
    // mid-line, one that floods and never reads cost only themselves.
    void badStationPrograms()
    {
        FakeRigTarget target;
        const int silenceMs = 400; // the server's own is half a minute
        RigServer server(target, silenceMs);
        QTcpServer probe; // a free port
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QVERIFY(!server.start("127.0.0.1:" + QString::number(port), "127.0.0.3"));
        QTcpSocket clients[6];
        const auto ask = [&](int i, const QByteArray &line, const char *from = "127.0.0.1") {
            if (clients[i].state() == QAbstractSocket::UnconnectedState) // connecting first
                clients[i].bind(QHostAddress(from)), clients[i].connectToHost("127.0.0.1", port);
            clients[i].write(line);
            QByteArray got; // the server answers in this thread
            (void)QTest::qWaitFor([&] { return (got += clients[i].readAll()).endsWith('\n'); },
                                  2000);
            return got;
        };
        clients[5].bind(QHostAddress("127.0.0.2")); // a stranger: let go, its line never read
        clients[5].connectToHost("127.0.0.1", port);
        clients[5].write("F 500200\n");
        QTRY_COMPARE(clients[5].state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(clients[5].readAll() + ask(0, "f\n", "127.0.0.3"), "500000\n");
        for (int i = 1; i < RigServer::kMaxClients; ++i)
            QCOMPARE(ask(i, "f\n"), "500000\n");
        QProcess ss; // the server's side of each connection keeps it alive
        ss.start("ss",
                 {"-Htno", "state", "established", "( sport = :" + QString::number(port) + " )"});
        QVERIFY(ss.waitForFinished());
        QCOMPARE(QString(ss.readAll()).count("timer:(keepalive"), RigServer::kMaxClients);
        clients[4].connectToHost("127.0.0.1", port); // four that poll keep their places
        clients[4].write("f\n");
        QElapsedTimer clock;
        for (clock.start(); clock.elapsed() < 2 * silenceMs;)
            for (int i = 0; i < RigServer::kMaxClients; ++i)
                QCOMPARE(ask(i, "f\n"), "500000\n");
        QByteArray told; // once it waited that long
        QTRY_COMPARE(told += clients[4].readAll(), "RPRT -14\n");
        clock.start(); // four gone silent: the one silent longest gives way
        QCOMPARE(ask(4, "f\n"), "500000\n");
        QVERIFY2(clock.elapsed() < 2 * silenceMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(clients[0].state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(ask(1, QByteArray(2000, 'E')), "RPRT -8\n");
        QTRY_COMPARE(clients[1].state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(ask(2, QByteArray("\x01\xff 9\n").repeated(2000) + "f\n"), "500000\n");
        clients[3].write("F 5001");
        clients[3].abort();
        QTest::qWait(100);
        QCOMPARE(ask(3, "F 500100\n"), "RPRT 0\n"); // a new connection: its place is free again
        QCOMPARE(target.changes, QStringList{"F500100"});

        // The flood, from a thread of its own that never reads, until its connection shuts.
        const int flooder = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        QVERIFY(::connect(flooder, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        qint64 wrong = 0;
        const QByteArray lines = QByteArray("f\n").repeated(2048);
        const Flood flooded = ::flood(
            [&] { return ::send(flooder, lines.data(), lines.size(), MSG_NOSIGNAL); },
            [&] { wrong += ask(3, "f\n") != "500000\n"; }, [&] { ::shutdown(flooder, SHUT_RDWR); });
        ::close(flooder);
        qInfo("reliability: network flood bytes=%lld slowest-answer-ms=%lld rss-growth-kib=%lld",
              flooded.bytes, flooded.longestTurn, flooded.growthKiB);
        QVERIFY2(flooded.bytes > 256 * 1024, "the flood did not get going");
        QVERIFY2(wrong == 0 && flooded.longestTurn < 500, "another client waited behind the flood");
        QVERIFY2(kAsan || flooded.growthKiB < 16 * 1024, "memory grew with the flood");
    }
    // Nothing piles up over a long session: descriptors, windows and objects after many cycles
    // against after the first (what is made once, the lock folder and caches, is there by then).
    void cycles(const char *what, int count, const std::function<void()> &cycle)
    {
        const auto census = [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return QList<qsizetype>{
                QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System).size(),
                QApplication::topLevelWidgets().size(), f->form->findChildren<QObject *>().size()};
        };
        f->form->show();
        cycle();
        const QList<qsizetype> before = census();
        for (int i = 1; i < count; ++i)
            cycle();
        const QList<qsizetype> after = census();
        qInfo("reliability: %s cycles=%d fds=%lld->%lld windows=%lld->%lld", what, count, before[0],
              after[0], before[1], after[1]);
        QVERIFY2(std::equal(after.begin(), after.end(), before.begin(), std::less_equal<>()),
                 qPrintable(QDebug::toString(before) + " -> " + QDebug::toString(after)));
    }
    void portCyclesLeaveNothingBehind()
    {
        startOnPty("0");
        cycles("port", soak ? 1000 : 100, [&] {
            f->array("menuCom")[3]->trigger();
            f->transmitter.read(); // so that the output never fills the line
            f->get<QAction>("menuCloseComPort")->trigger();
        });
        QCOMPARE(f->portState() + boxes(), "closed");
    }

    // SIGKILL at random moments while another process saves the settings file again and
    // again: each time the file is whole and from one save.
    void killedWhileSaving()
    {
        const int kills = soak ? 240 : 30;
        f = std::make_unique<PanelFixture>();
        QRandomGenerator random(20261206);
        qint64 reported = -1;
        for (int kill = 0; kill < kills; ++kill) {
            QProcess child; // from the save after the one the file holds
            child.start(QCoreApplication::applicationFilePath(),
                        {"--storm", f->path(), QString::number(reported + 1)});
            QVERIFY2(child.waitForReadyRead(20000), child.readAllStandardError().constData());
            QTest::qSleep(int(random.bounded(30)));
            child.kill(); // SIGKILL
            QVERIFY(child.waitForFinished(10000));
            const qint64 last =
                child.readAllStandardOutput().trimmed().split('\n').last().toLongLong();
            QList<qint64> got;
            for (const QRegularExpressionMatch &m :
                 QRegularExpression("=\\s*(-?\\d+)").globalMatch(fileBytes(f->path())))
                got << m.captured(1).toLongLong();
            const qint64 k = got.value(0) % 1000 ? got.value(0) : got.value(0) / 1000;
            QVERIFY2(
                last > reported && (k == last || k == last + 1),
                qPrintable(QString("kill %1: save %2, %3 reported").arg(kill).arg(k).arg(last)));
            QCOMPARE(got, QList<qint64>(13, numberOfSave(k)));
            reported = k;
        }
        qInfo("reliability: crash kills=%d saves=%lld stale-files=%lld", kills, reported + 1,
              QDir(f->dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".ini.").size());
    }

    // A file system with no space left: every save (the panel ended by SIGTERM, the settings, a
    // first run, a message file) fails and leaves each old file byte for byte, nothing beside
    // it; a message that runs out of space half-way too; in a folder that takes no new file,
    // the settings file is written over in place once there is room. Space freed, saves land.
    void fullDisk()
    {
        QTemporaryDir mount;
        const QString at = mount.path(), ini = at + "/vako-panel.ini", first = at + "/first.ini";
        if (::mount("tmpfs", qPrintable(at), "tmpfs", 0, "size=128m,nr_inodes=40") != 0)
            return QTest::qSkip("mounting a small file system needs root", __FILE__, __LINE__);
        const auto unmount = qScopeGuard([&] { ::umount2(qPrintable(at), MNT_DETACH); });
        Program panel = Program::panel(at);
        const QByteArray old = "; mine\n[VAKO]\nModel=ALDER\n",
                         saved = "; mine\n" + settingsWith({});
        QVERIFY(putFile(ini, old) && putFile(first, "[VAKO]\nModel=\n"));
        QVERIFY(putFile(at + "/cq.txt", "CQ") && putFile(at + "/fill", "x"));
        QVERIFY(putFile(at + "/ports.ini", "[Ports]\nCom1=/dev/old\n"));
        const auto fill = [&](qint64 leave) { // the filler takes all space but `leave`
            QFile filler(at + "/fill");
            QVERIFY(filler.open(QIODevice::Append | QIODevice::Unbuffered));
            while (filler.write(QByteArray(65536, 'x')) > 0) {
            }
            QVERIFY(filler.resize(filler.size() - leave));
        };
        Session session;
        session.setBuiltInValues();
        const auto saves = [&] { // what each save reported, then the files
            SettingsFile(session, first).LoadSettings();
            return QStringList{
                QString::number(SettingsFile(session, ini).SaveSettings()),
                QString::number(MessageFile::write(at + "/cq.txt", QByteArray(60000, 'E'))),
                QString::number(registerPort(at + "/ports.ini", 1, "/dev/new", nullptr)),
                fileBytes(ini),
                fileBytes(first),
                fileBytes(at + "/cq.txt").left(9),
                fileBytes(at + "/ports.ini").mid(18)};
        };
        const QString firstRun = settingsWith({{"BIRCH:BaudRate= 115200", "Baudrate= 115200"}});
        QVERIFY(panel.start() && panel.runningAfter(1500));
        fill(0);
        QVERIFY(panel.terminate());
        QCOMPARE(saves(), QStringList({"0", "0", "0", old, "[VAKO]\nModel=\n", "CQ", "old\n"}));
        fill(16384); // room for the settings, not for the message
        QCOMPARE(saves(), QStringList({"1", "0", "1", saved, firstRun, "CQ", "new\n"}));
        QVERIFY(putFile(ini, old));
        for (int i = 0; QFile(at + QString("/n%1").arg(i)).open(QIODevice::WriteOnly); ++i) {
        }
        fill(0);
        QCOMPARE(saves(),
                 QStringList({"0", "0", "1", old, firstRun, "CQ", "new\n"})); // no inode, no room
        QCOMPARE(QDir(at).entryList({"*.ini*", "*.txt*"}, QDir::Files | QDir::Hidden),
                 QStringList({"cq.txt", "first.ini", "ports.ini", "vako-panel.ini"}));
        QVERIFY(QFile::resize(at + "/fill", 0));
        QCOMPARE(saves(),
                 QStringList({"1", "0", "1", saved, firstRun, "CQ", "new\n"})); // written in place
        QVERIFY(QFile::remove(at + "/n0") && QFile::remove(at + "/n1") && putFile(ini, old));
        QCOMPARE(::link(qPrintable(ini), qPrintable(at + "/held")), 0); // a second name for it
        QCOMPARE(saves(), QStringList({"1", "1", "1", saved, firstRun, "EEEEEEEEE", "new\n"}));
        QCOMPARE(fileBytes(at + "/held"), old); // replaced whole, not written over
        QVERIFY(QFile::setPermissions(ini, QFileDevice::ReadOwner)); // the operator's choice
        QVERIFY(!SettingsFile(session, ini).SaveSettings() && fileBytes(ini) == saved);
    }

    // Settings files as an editor, a full disk or a careless copy leave them: the operator works
    // every control on both models, the transmitter understands every line (a value cut to its
    // field it does not), and a file the panel may not write stays as it was.
    void badSettings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind"); // "": written on closing; else not written
        const QByteArray good = settingsWith({}).replace("Portnumber= 0", "Portnumber= 3");
        QByteArray noise(64 * 1024, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), 16 * 1024);
        QTest::newRow("binary garbage") << noise << "";
        QTest::newRow("20 MiB") << QByteArray(20 << 20, ';') + '\n' + good << "kept";
        QTest::newRow("NUL bytes")
            << QByteArray(good).replace("= 200", "= 2@00").replace('@', '\0') << "";
        QTest::newRow("only NUL bytes") << QByteArray(4096, '\0') << "";
        QTest::newRow("CR-only line ends") << QByteArray(good).replace('\n', '\r') << "";
        QTest::newRow("unknown model") << QByteArray(good).replace("=BIRCH", "=OAK") << "";
        QTest::newRow("read-only") << QByteArray(good).replace("= 500000", "=abc") << "read-only";
        QTest::newRow("a folder") << QByteArray() << "folder";
        // Each entry, in both models' sections at once: past its field, below zero, no number.
        for (const QString key :
             {"Keyer_Type", "Frequency", "Step", "CW_speed", "Power", "BaudRate", "Portnumber"}) {
            const QRegularExpression line('^' + key + "=.*$", QRegularExpression::MultilineOption);
            for (const QString value : {"9999999", "-5", "abc"})
                QTest::newRow(qPrintable(key + '=' + value))
                    << QString::fromLatin1(good).replace(line, key + '=' + value).toLatin1() << "";
        }
    }
    void badSettings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        f = std::make_unique<PanelFixture>();
        f->fake.presentPorts = {3};
        QVERIFY(kind == "folder" ? QDir().mkpath(f->path()) : putFile(f->path(), bytes));
        QVERIFY(kind != "read-only" || QFile::setPermissions(f->path(), QFileDevice::ReadOwner));
        QElapsedTimer clock;
        clock.start();
        main_Form &form = f->start(QByteArray(), true);
        QVERIFY2(clock.elapsed() < 10000, "the start-up took too long");
        for (QAction *a :
             f->array("menu_VAKO_ALDER") + f->array("menu_VAKO_BIRCH") + f->array("menu_Keyer")) {
            a->trigger();
            for (QAbstractButton *b : form.centralWidget()->findChildren<QAbstractButton *>())
                b->click();
        }
        // The transmitter's lines as its manual gives them: "=F" six places, "=S" three, "=P"
        // and "=K" a digit 0 to 3 (with a blank before it from a model switch or the menu).
        static const QRegularExpression understood(
            "^(=F( [0-9]{1,5}|[0-9]{6})|=S( [0-9]{1,2}|[0-9]{3})|=[PK] "
            "?[0-3]|=M[^\r]*|=BT|=B0|\\?I)$");
        QByteArrayList lines = f->fake.wire.split('\r');
        QVERIFY2(lines.takeLast().isEmpty(), "the wire ends inside a line");
        for (const QByteArray &line : lines)
            QVERIFY2(understood.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        form.close();
        QVERIFY(kind.isEmpty() || f->saved() == (kind == "folder" ? QByteArray() : bytes));
    }
};

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--storm") == 0) { // saves without pause, telling each
        Session s;
        for (qint64 k = QByteArray(argv[3]).toLongLong();; ++k) {
            const qint64 n = numberOfSave(k);
            s.state.Keyer_Type = n;
            s.profiles[0] = s.profiles[1] = {n, n, n, n, n, n};
            if (!SettingsFile(s, QString::fromLocal8Bit(argv[2])).SaveSettings() ||
                std::printf("%lld\n", k) < 0 || std::fflush(stdout))
                return 1;
        }
    }
    // Lock files, the suite's and the other programs', go to a lock folder of the suite's own:
    // a tmpfs on the system's lock folder in a mount namespace of this process (root only),
    // single-threaded still, as unsharing asks.
    const QByteArray locks = QFileInfo("/var/lock").canonicalFilePath().toLocal8Bit();
    if (::geteuid() == 0 && !locks.isEmpty() && ::unshare(CLONE_NEWNS) == 0 &&
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0)
        ::mount("tmpfs", locks.constData(), "tmpfs", 0, "mode=1777");
    QApplication app(argc, argv);
    tst_Faults suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "tst_faults.moc"
