#include "PtyPanel.h"
#include "link/Baud_Rate_Form.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Nothing piles up over a long session: a port opened and closed a thousand
// times and the baud-rate dialog opened a hundred times leave the same file
// descriptors, windows, timers and objects as before.
class tst_Resources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cyclesLeaveNothingBehind_data();
    void cyclesLeaveNothingBehind();
};

namespace {

struct Census
{
    int fds = 0;
    int topLevel = 0;
    int objects = 0;
    int timers = 0;

    // Nothing more than before; an object made once and dropped since
    // (a cache, a deferred deletion) may leave fewer.
    bool noMoreThan(const Census &o) const
    {
        return fds <= o.fds && topLevel <= o.topLevel && objects <= o.objects && timers <= o.timers;
    }
};

Census census(const QObject &window)
{
    // Let deferred deletions and queued events run first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    Census c;
    c.fds = int(QDir(QStringLiteral("/proc/self/fd"))
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                    .size());
    c.topLevel = int(QApplication::topLevelWidgets().size());
    c.objects = int(window.findChildren<QObject *>().size()) + int(qApp->children().size());
    c.timers = int(window.findChildren<QTimer *>().size());
    return c;
}

} // namespace

QString describe(const Census &c)
{
    return QStringLiteral("%1 fds, %2 windows, %3 objects, %4 timers")
        .arg(c.fds)
        .arg(c.topLevel)
        .arg(c.objects)
        .arg(c.timers);
}

void tst_Resources::cyclesLeaveNothingBehind_data()
{
    QTest::addColumn<bool>("port"); // else the baud-rate dialog
    QTest::addColumn<int>("cycles");
    QTest::newRow("port opened and closed") << true << 1000;
    QTest::newRow("baud-rate dialog opened and left") << false << 100;
}

void tst_Resources::cyclesLeaveNothingBehind()
{
    QFETCH(bool, port);
    QFETCH(int, cycles);
    PtyPanel p;
    main_Form &form = p.start(port ? 0 : 3);
    form.show();
    const PanelControls &ui = form.panel().ui;
    const auto cycle = [&](int i) {
        if (port) {
            ui.menuCom[3]->trigger();
            if (!p.comm->portOpen())
                QFAIL(qPrintable(QStringLiteral("cycle %1: the port did not open").arg(i)));
            p.transmitter.readNow();
            ui.menuCloseComPort->trigger();
            return;
        }
        form.ui().menu_Baud_Rate->trigger();
        Baud_Rate_Form *dialog = form.baudRateForm();
        QVERIFY(dialog && dialog->isVisible());
        // Left by Cancel, by OK (which reopens the open port) and by the
        // window's own close control, in turn.
        const char *button = i % 3 == 0 ? "Cancel_Command" : i % 3 == 1 ? "Ok_Command" : nullptr;
        if (button)
            dialog->findChild<QPushButton *>(QLatin1String(button))->click();
        else
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form.baudRateForm());
    };
    // One cycle first, so that what is made once (the lock folder, caches)
    // is there before counting.
    cycle(0);
    const Census before = census(form);
    for (int i = 0; i < cycles && !QTest::currentTestFailed(); ++i)
        cycle(i);
    if (QTest::currentTestFailed())
        return;
    const Census after = census(form);
    if (port)
        qInfo("reliability: port cycles=%d fds=%d->%d objects=%d->%d", cycles, before.fds,
              after.fds, before.objects, after.objects);
    else
        qInfo("reliability: dialog openings=%d fds=%d->%d windows=%d->%d", cycles, before.fds,
              after.fds, before.topLevel, after.topLevel);
    QVERIFY2(after.noMoreThan(before),
             qPrintable(describe(after) + " after, " + describe(before) + " before"));
    QVERIFY(p.dialogs.boxes.isEmpty());
    QCOMPARE(p.portState(), port ? QStringLiteral("closed") : QStringLiteral("open 3"));
}

QTEST_MAIN(tst_Resources)
#include "tst_resources.moc"
