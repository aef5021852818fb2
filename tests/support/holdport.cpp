#include "serial/SerialControl.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>
#include <unistd.h>

// Another panel in a process of its own, as whatever user the suite starts it: "holdport open
// DEVICE" opens the device through the panel's serial control and holds it until its input
// ends, "holdport probe DEVICE" asks as the start-up's probe does, "holdport qt DEVICE" opens
// it as any Qt Serial Port program (its lock file, the exclusive mode). Says "open" or why not.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString device = QString::fromLocal8Bit(argv[2]);
    const auto comm = makePortSerialControl([&device](qint64) { return device; });
    const QByteArray mode = argv[1];
    QSerialPort plain(device);
    const PortRefusal why =
        mode == "probe" ? comm->probePorts({1}).value(0)
        : mode == "qt" ? (plain.open(QIODevice::ReadWrite) ? PortRefusal::None : PortRefusal::InUse)
        : comm->setCommPort(1) && comm->setPortOpen(true) ? PortRefusal::None
                                                          : comm->refusal();
    const bool open = why == PortRefusal::None;
    std::printf("%s\n", open ? "open" : qPrintable(refusalText(why)));
    std::fflush(stdout);
    for (char c; ::read(0, &c, 1) > 0;) {
    }
    return open ? 0 : 1;
}
