#include "SimOptions.h"

#include "SimProtocol.h"
#include "session/SessionState.h"

#include <QCommandLineParser>

namespace {

constexpr int kMaxReplyDelayMs = 60000;

std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

SimCommandLine parseSimCommandLine(const QStringList &arguments)
{
    const SimSettings defaults;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a VAKO CW transmitter at the far end of a pseudo-terminal, so the panel can be\n"
        "tried and tested without hardware. Prints the device it serves as\n"
        "\"vako-txsim: serving DEVICE\" once everything is ready, then one line per command\n"
        "line received (time, the bytes as received, what they mean), the keying it does and\n"
        "the replies it sends. Command lines end with CR; an LF is ignored. Ends on Ctrl-C or\n"
        "SIGTERM with exit code 0."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption iniOption(
        QStringLiteral("ini"),
        QStringLiteral("Register the device in the panel's settings file FILE, as entry ComN of "
                       "section [Ports] (needs --port). Nothing else in the file changes."),
        QStringLiteral("FILE"));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("The port number N (1 to 100) under which --ini registers the device; the "
                       "panel then lists it as ComN."),
        QStringLiteral("N"));
    const QCommandLineOption usePortOption(
        QStringLiteral("use-port"),
        QStringLiteral("With --ini: also store port N as both models' port, so the panel opens "
                       "it at start; a file without settings gets the built-in ones first (a "
                       "demo's settings file)."));
    const QCommandLineOption delayOption(
        QStringLiteral("reply-delay"),
        QStringLiteral("Milliseconds from \"?I\" to the reply, 0 to %1 (default %2). The panel "
                       "reads the reply 100 ms after asking.")
            .arg(kMaxReplyDelayMs)
            .arg(defaults.replyDelayMs),
        QStringLiteral("MS"), QString::number(defaults.replyDelayMs));
    const QCommandLineOption infoOption(
        QStringLiteral("info"),
        QStringLiteral("The reply to \"?I\", sent byte for byte, default \"%1\". The panel hides "
                       "its first three characters. Escapes: \\r \\n \\t \\0 \\\\ \\\" \\xHH; "
                       "other characters as Windows-1252.")
            .arg(SimProtocol::escapeBytes(defaults.info)),
        QStringLiteral("TEXT"));
    const QCommandLineOption silentOption(
        QStringLiteral("silent"), QStringLiteral("Never answer \"?I\" (a transmitter that does "
                                                 "not reply)."));
    parser.addOptions(
        {iniOption, portOption, usePortOption, delayOption, infoOption, silentOption});

    SimCommandLine result;
    auto usageError = [&result](const QString &text) {
        result.status = SimCommandLine::UsageError;
        result.text = text;
        return result;
    };

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        result.status = SimCommandLine::ShowHelp;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.status = SimCommandLine::ShowVersion;
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("Unexpected argument '%1'.")
                              .arg(parser.positionalArguments().constFirst()));

    SimOptions &options = result.options;
    if (parser.isSet(iniOption) != parser.isSet(portOption))
        return usageError(QStringLiteral("--ini and --port go together."));
    if (parser.isSet(iniOption)) {
        options.iniPath = parser.value(iniOption);
        if (options.iniPath.isEmpty())
            return usageError(QStringLiteral("--ini needs a file name."));
        const std::optional<int> port = wholeNumber(parser.value(portOption), 1, kPortCount);
        if (!port)
            return usageError(QStringLiteral("--port must be a whole number from 1 to 100, not "
                                             "'%1'.")
                                  .arg(parser.value(portOption)));
        options.port = *port;
        options.usePort = parser.isSet(usePortOption);
    }

    const std::optional<int> delay = wholeNumber(parser.value(delayOption), 0, kMaxReplyDelayMs);
    if (!delay)
        return usageError(QStringLiteral("--reply-delay must be a whole number of milliseconds "
                                         "from 0 to %1, not '%2'.")
                              .arg(kMaxReplyDelayMs)
                              .arg(parser.value(delayOption)));
    options.settings.replyDelayMs = *delay;

    if (parser.isSet(infoOption)) {
        const std::optional<QByteArray> info = SimProtocol::unescapeBytes(parser.value(infoOption));
        if (!info)
            return usageError(QStringLiteral("--info: unknown escape or a character outside "
                                             "Windows-1252 in '%1'.")
                                  .arg(parser.value(infoOption)));
        options.settings.info = *info;
    }
    options.settings.silent = parser.isSet(silentOption);
    return result;
}
