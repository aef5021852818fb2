#include "MessageTransmission.h"

#include "Dialogs.h"
#include "HandlerContext.h"
#include "protocol/AnsiText.h"
#include "protocol/CommandProtocol.h"
#include "protocol/Morse.h"
#include "serial/TransmitterLink.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>

namespace {

const QString kInformationTitle = QStringLiteral("VAKO Transmitter Information");

// The transmitter opens its answer to "?I" with three characters of its own
// that mean nothing to the operator.
constexpr int kReplyHeaderLength = 3;

void informationBox(Dialogs &dialogs, const QString &text)
{
    dialogs.message(text, kInformationTitle, MessageBoxRequest::Icon::None);
}

// The message as the "=M" line carries it: the carriage return ends the
// line, so every line break of the text (CR LF, CR or LF) becomes one space;
// nothing else changes.
QString messageField(const QString &text)
{
    // The box reports its own line ends as LF (or as the Unicode line and
    // paragraph separators); a text put into it may still carry CR LF or CR.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\r\n\u2028\u2029]"));
    QString field = text;
    field.replace(lineBreak, QStringLiteral(" "));
    return field;
}

// The information box's text for the bytes received after the query: the
// transmitter's text without its first three characters, then the two lines
// naming the software.
QString informationText(const QByteArray &reply)
{
    // Shown as received apart from the header: a carriage return the
    // transmitter sends with its text stays in the box.
    return AnsiText::decode(reply).mid(kReplyHeaderLength) + u'\n' +
           QStringLiteral("VAKO ALDER & BIRCH Embedded SW") + u'\n' +
           QStringLiteral("Control panel for the VAKO ALDER and BIRCH transmitters");
}

} // namespace

void MessageTransmission::Send_button_Click()
{
    if (!portOpenOrTell())
        return;
    // A character the transmitter's code page lacks would go out as "?", a
    // Morse character of its own that nobody typed: nothing is sent.
    const QString text = m_context.ui.Message_Text->toPlainText();
    if (const QString lacking = AnsiText::unencodable(text); !lacking.isEmpty()) {
        m_context.dialogs.message(
            QStringLiteral("The message was not sent.\nThese characters cannot be sent in the "
                           "transmitter's code page (Windows-1252):\n") +
                lacking,
            kApplicationTitle, MessageBoxRequest::Icon::Exclamation);
        return;
    }
    // The operator's message goes first: what station programs queued is
    // dropped, and the transmitter keys this one at once.
    m_queue.clear();
    key(text, false);
}

bool MessageTransmission::queueForStationProgram(const QString &text)
{
    if (!keying()) {
        key(text, true);
        return true;
    }
    if (m_queue.size() >= kQueuedMessages)
        return false;
    m_queue << text;
    return true;
}

void MessageTransmission::keyNextQueued()
{
    if (m_queue.isEmpty())
        return;
    if (!m_context.link.portOpen()) { // closed meanwhile: nothing can be keyed
        m_queue.clear();
        return;
    }
    key(m_queue.takeFirst(), true);
}

bool MessageTransmission::portOpenOrTell()
{
    if (m_context.link.portOpen())
        return true;
    m_context.dialogs.message(QStringLiteral("Com port is Closed"));
    return false;
}

void MessageTransmission::key(const QString &text, bool fromStationProgram)
{
    TransmitterLink &link = m_context.link;
    // Whatever the transmitter said before (a late reply to a query) is not
    // an answer to anything now. A station program's message must not take
    // the reply to the operator's own query: while that waits, the received
    // text is left for the tick.
    if (!fromStationProgram || !m_replyTimer.isActive())
        link.readReceived();
    m_stationMessage = fromStationProgram;
    const QString field = messageField(text);
    link.SendCommand(QLatin1String(Command::Message.word) + field);
    link.SendCommand(QLatin1String(Command::StartKeying.word));
    // The transmitter keys at the speed it was last sent; a new Transmit
    // starts the keying afresh.
    m_keyingEnds =
        QDeadlineTimer(Morse::keyingMs(field, m_context.state.CW_speed.value_or(0)).value_or(0));
    // The next queued message starts when this one has been keyed: a new
    // "=M" would cut it short.
    m_queueTimer.start(int(std::max<qint64>(m_keyingEnds.remainingTime(), 0)));
}

void MessageTransmission::Stop_button_Click()
{
    if (!portOpenOrTell())
        return;
    m_context.link.SendCommand(QLatin1String(Command::StopKeying.word));
    m_keyingEnds = QDeadlineTimer();
    m_queue.clear();
}

void MessageTransmission::menuShow_VAKO_Software_Version_Click()
{
    TransmitterLink &link = m_context.link;
    if (!link.portOpen()) {
        informationBox(m_context.dialogs, QStringLiteral("Comp Port is Closed"));
        return;
    }
    // Only text that arrives after this query is its reply.
    link.readReceived();
    link.SendCommand(QLatin1String(Command::Information.word));
    // A query made while one is outstanding leaves the wait as it is: the one
    // tick comes 100 ms after the first query and shows what has come since
    // this one.
    if (!m_replyTimer.isActive())
        m_replyTimer.start();
}

void MessageTransmission::Timer1_Timer()
{
    // One tick per query: disarmed before any box can open.
    m_replyTimer.stop();

    // The port closed meanwhile (by the operator or a pulled adapter): nobody
    // is waiting for an answer any more.
    TransmitterLink &link = m_context.link;
    if (!link.portOpen())
        return;

    const QByteArray reply = link.readReceived();
    if (reply.isEmpty())
        informationBox(m_context.dialogs, QStringLiteral("No Connection to VAKO Transmitter"));
    else
        informationBox(m_context.dialogs, informationText(reply));
}
