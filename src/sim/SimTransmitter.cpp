#include "SimTransmitter.h"

#include "protocol/AnsiText.h"
#include "protocol/Morse.h"

#include <QTime>

#include <climits>

using SimProtocol::CommandKind;

namespace {

// How much of an overlong line the log shows.
constexpr int kOverlongShown = 48;

} // namespace

QString secondsText(qint64 ms)
{
    return QStringLiteral("%1.%2 s").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

SimTransmitter::SimTransmitter(const SimSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_splitter(settings.maxLineBytes)
{
    m_keyingTimer.setSingleShot(true);
    m_keyingTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_keyingTimer, &QTimer::timeout, this, &SimTransmitter::finishKeying);
}

QString SimTransmitter::stamped(const QString &text)
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QLatin1Char(' ') + text;
}

void SimTransmitter::receive(const QByteArray &bytes)
{
    const QList<SimProtocol::LineSplitter::Line> lines = m_splitter.feed(bytes);
    for (const SimProtocol::LineSplitter::Line &line : lines)
        handle(line);
}

void SimTransmitter::handle(const SimProtocol::LineSplitter::Line &line)
{
    if (line.overlong) {
        emit logged(QStringLiteral("rx \"%1\"... (%2 bytes without CR)  not understood: line too "
                                   "long; the rest up to the next CR is ignored")
                        .arg(SimProtocol::escapeBytes(line.bytes.left(kOverlongShown)),
                             QString::number(line.bytes.size())));
        return;
    }

    const SimProtocol::ParsedLine command = SimProtocol::parseLine(line.bytes);
    emit logged(QStringLiteral("rx \"%1\"  %2")
                    .arg(SimProtocol::escapeBytes(line.bytes + '\r'), command.meaning));

    switch (command.kind) {
    case CommandKind::NotUnderstood:
        break;
    case CommandKind::Frequency:
        m_frequency = command.value;
        break;
    case CommandKind::Speed:
        m_speed = command.value;
        break;
    case CommandKind::Power:
        m_power = command.value;
        break;
    case CommandKind::Keyer:
        m_keyer = command.value;
        break;
    case CommandKind::Message:
        m_message = command.message;
        break;
    case CommandKind::StartKeying:
        startKeying();
        break;
    case CommandKind::StopKeying:
        stopKeying();
        break;
    case CommandKind::InfoQuery:
        if (m_settings.silent)
            emit logged(QStringLiteral("no reply (silent)"));
        else
            QTimer::singleShot(m_settings.replyDelayMs, Qt::PreciseTimer, this,
                               &SimTransmitter::reply);
        break;
    }
}

void SimTransmitter::startKeying()
{
    const QString text = AnsiText::decode(m_message);
    const Morse::Timing timing = Morse::timing(text);
    const QString shown = SimProtocol::messageText(m_message);

    if (m_speed <= 0) {
        // A dot would last 1200 / 0 ms: the transmitter cannot key at all.
        emit logged(QStringLiteral("cannot key '%1': the speed is 0 wpm").arg(shown));
        return;
    }
    if (timing.keyedCharacters == 0) {
        emit logged(
            m_message.isEmpty()
                ? QStringLiteral("nothing to key: the message is empty")
                : QStringLiteral("nothing to key: no character of '%1' has Morse").arg(shown));
        return;
    }

    if (isKeying()) {
        emit logged(QStringLiteral("keying cut short after %1 of %2 for a new start")
                        .arg(secondsText(m_keyingClock.elapsed()), secondsText(m_keyingMs)));
        m_keyingTimer.stop();
    }

    // The panel reckons the keying it started with the same function.
    m_keyingMs = Morse::keyingMs(text, m_speed).value_or(0);
    QString started =
        QStringLiteral("keying started: '%1' at %2 wpm, %3 units of %4 ms = %5")
            .arg(shown, SimProtocol::speedText(m_speed), QString::number(timing.units),
                 QString::number(12000.0 / m_speed, 'g', 6), secondsText(m_keyingMs));
    if (!timing.skipped.isEmpty()) {
        started += QStringLiteral("; not keyed (no Morse): '%1'")
                       .arg(SimProtocol::messageText(AnsiText::encode(timing.skipped)));
    }
    emit logged(started);
    m_keyingClock.start();
    m_keyingTimer.start(static_cast<int>(qMin<qint64>(m_keyingMs, INT_MAX)));
}

void SimTransmitter::stopKeying()
{
    if (!isKeying()) {
        emit logged(QStringLiteral("nothing was keying"));
        return;
    }
    m_keyingTimer.stop();
    emit logged(QStringLiteral("keying stopped after %1 of %2")
                    .arg(secondsText(m_keyingClock.elapsed()), secondsText(m_keyingMs)));
}

void SimTransmitter::finishKeying()
{
    emit logged(QStringLiteral("keying finished after %1").arg(secondsText(m_keyingMs)));
}

void SimTransmitter::reply()
{
    emit logged(QStringLiteral("tx \"%1\"  information reply")
                    .arg(SimProtocol::escapeBytes(m_settings.info)));
    emit replyReady(m_settings.info);
}
