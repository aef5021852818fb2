// The reference the panel is measured against: a bare Qt Widgets program that
// shows one empty window of the panel's size and leaves at its first
// event-loop turn. It prints its peak memory so both are read the same way.
// With --text it also shows one caption in the panel's display font, to tell
// what drawing any text at all costs (font configuration, shaping).
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(417, 238);
    if (app.arguments().contains(QStringLiteral("--text"))) {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        auto *caption = new QLabel(QStringLiteral("500.000"), &window);
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPointSizeF(13.5);
        font.setBold(true);
        caption->setFont(font);
        caption->setGeometry(16, 56, 73, 24);
    }
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
