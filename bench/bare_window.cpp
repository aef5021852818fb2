// The reference the panel is measured against: a bare Qt Widgets program that
// shows one empty window of the panel's size and leaves at its first
// event-loop turn. It prints its peak memory so both are read the same way.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(417, 238);
    window.show();
    QTimer::singleShot(0, &app, [] {
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
