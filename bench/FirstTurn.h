#pragma once
// The references' common ending: with --first-turn a reference leaves at its
// first event-loop turn, printing its peak memory (VmHWM) and, with --smaps,
// the resident size of each mapping, so the bench reads every program the
// same way. Without it the reference stays, for its map under a display.
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

inline int runToFirstTurn(QCoreApplication &app)
{
    if (!QCoreApplication::arguments().contains(QStringLiteral("--first-turn")))
        return app.exec();
    QTimer::singleShot(0, &app, [] {
        QFile smaps(QStringLiteral("/proc/self/smaps"));
        if (QCoreApplication::arguments().contains(QStringLiteral("--smaps")) &&
            smaps.open(QIODevice::ReadOnly))
            std::printf("%s", smaps.readAll().constData());
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    std::printf("%s\n", line.constData());
            }
        }
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
