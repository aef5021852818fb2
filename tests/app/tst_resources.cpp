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
    void portCyclesLeaveNothingBehind();
    void baudRateDialogLeavesNothingBehind();
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

void tst_Resources::portCyclesLeaveNothingBehind()
{
    constexpr int kCycles = 1000;
    PtyPanel p;
    main_Form &form = p.start(0);
    QAction *com3 = form.panel().ui.menuCom[3];
    QAction *close = form.panel().ui.menuCloseComPort;
    // One cycle first, so that what is made once (the lock folder, caches)
    // is there before counting.
    com3->trigger();
    close->trigger();
    const Census before = census(form);

    for (int i = 0; i < kCycles; ++i) {
        com3->trigger();
        if (!p.comm->portOpen())
            QFAIL(qPrintable(QStringLiteral("cycle %1: the port did not open").arg(i)));
        p.transmitter.readNow();
        close->trigger();
    }
    const Census after = census(form);
    qInfo("reliability: port cycles=%d fds=%d->%d objects=%d->%d", kCycles, before.fds, after.fds,
          before.objects, after.objects);
    QVERIFY2(after.noMoreThan(before),
             qPrintable(describe(after) + " after, " + describe(before) + " before"));
    QVERIFY(p.dialogs.boxes.isEmpty());
    QCOMPARE(p.portState(), QStringLiteral("closed"));
}

void tst_Resources::baudRateDialogLeavesNothingBehind()
{
    constexpr int kOpenings = 100;
    PtyPanel p;
    main_Form &form = p.start(3);
    form.show();
    const auto openAndLeave = [&](int i) {
        form.ui().menu_Baud_Rate->trigger();
        Baud_Rate_Form *dialog = form.baudRateForm();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
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
    openAndLeave(0);
    const Census before = census(form);
    for (int i = 0; i < kOpenings; ++i) {
        openAndLeave(i);
        if (QTest::currentTestFailed())
            return;
    }
    const Census after = census(form);
    qInfo("reliability: dialog openings=%d fds=%d->%d windows=%d->%d", kOpenings, before.fds,
          after.fds, before.topLevel, after.topLevel);
    QVERIFY2(after.noMoreThan(before),
             qPrintable(describe(after) + " after, " + describe(before) + " before"));
    QVERIFY(p.comm->portOpen());
    QVERIFY(p.dialogs.boxes.isEmpty());
}

QTEST_MAIN(tst_Resources)
#include "tst_resources.moc"
