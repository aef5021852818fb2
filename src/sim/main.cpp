// vako-txsim: a VAKO transmitter at the far end of a pseudo-terminal.

#include "PortRegistration.h"
#include "PseudoTerminal.h"
#include "SimOptions.h"
#include "SimProtocol.h"
#include "SimTransmitter.h"
#include "TerminationSignals.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// stdout is read live by operators and test harnesses: every line goes out
// at once, whatever kind of file stdout is.
void printLine(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printError(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void logStamped(const QString &text)
{
    printLine(SimTransmitter::stamped(text));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vako-txsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VAKO_VERSION));

    const SimCommandLine commandLine = parseSimCommandLine(QCoreApplication::arguments());
    switch (commandLine.status) {
    case SimCommandLine::ShowHelp:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
        return 0;
    case SimCommandLine::ShowVersion:
        printLine(QStringLiteral("vako-txsim " VAKO_VERSION));
        return 0;
    case SimCommandLine::UsageError:
        printError(QStringLiteral("vako-txsim: ") + commandLine.text);
        printError(QStringLiteral("Try 'vako-txsim --help'."));
        return 2;
    case SimCommandLine::Run:
        break;
    }
    const SimOptions &options = commandLine.options;

    TerminationSignals termination;
    if (!termination.isWatching()) {
        printError(QStringLiteral("vako-txsim: cannot watch for signals"));
        return 1;
    }

    PseudoTerminal terminal;
    if (!terminal.open()) {
        printError(QStringLiteral("vako-txsim: cannot open a pseudo-terminal: ") +
                   terminal.errorString());
        return 1;
    }

    if (!options.iniPath.isEmpty()) {
        QString error;
        if (!registerPort(options.iniPath, options.port, terminal.devicePath(), &error)) {
            printError(QStringLiteral("vako-txsim: ") + error);
            return 1;
        }
        printLine(QStringLiteral("vako-txsim: registered as Com%1 in section [Ports] of %2")
                      .arg(options.port)
                      .arg(options.iniPath));
        if (options.usePort && !usePortForBothModels(options.iniPath, options.port)) {
            printError(QStringLiteral("vako-txsim: cannot write %1").arg(options.iniPath));
            return 1;
        }
    }

    SimTransmitter transmitter(options.settings);
    QObject::connect(&transmitter, &SimTransmitter::logged, &logStamped);
    QObject::connect(
        &transmitter, &SimTransmitter::replyReady, &terminal, [&terminal](const QByteArray &bytes) {
            if (!terminal.write(bytes))
                logStamped(QStringLiteral("reply not sent whole: nobody reads the port"));
        });
    QObject::connect(&terminal, &PseudoTerminal::received, &transmitter, &SimTransmitter::receive);
    QObject::connect(&terminal, &PseudoTerminal::deviceOpened, &app,
                     [] { logStamped(QStringLiteral("device opened")); });
    QObject::connect(&terminal, &PseudoTerminal::deviceClosed, &app,
                     [] { logStamped(QStringLiteral("device closed")); });
    QObject::connect(&terminal, &PseudoTerminal::failed, &app, [](const QString &error) {
        logStamped(QStringLiteral("stopped: ") + error);
        QCoreApplication::exit(1);
    });
    QObject::connect(
        &termination, &TerminationSignals::terminationRequested, &app, [](int signalNumber) {
            logStamped(QStringLiteral("stopped by %1").arg(TerminationSignals::name(signalNumber)));
            QCoreApplication::exit(0);
        });

    // The serving line is the sign that the device can be opened (and, with
    // --ini, is in the settings file): it comes last.
    printLine(QStringLiteral("vako-txsim: power-on state %1, %2 wpm, power %3, keyer %4")
                  .arg(SimProtocol::frequencyText(transmitter.frequency()),
                       SimProtocol::speedText(transmitter.speed()),
                       SimProtocol::powerText(transmitter.power()),
                       SimProtocol::keyerText(transmitter.keyer())));
    printLine(QStringLiteral("vako-txsim: reply to ?I after %1 ms: %2")
                  .arg(options.settings.replyDelayMs)
                  .arg(options.settings.silent
                           ? QStringLiteral("none (silent)")
                           : QLatin1Char('"') + SimProtocol::escapeBytes(options.settings.info) +
                                 QLatin1Char('"')));
    printLine(QStringLiteral("vako-txsim: serving ") + terminal.devicePath());

    return app.exec();
}
