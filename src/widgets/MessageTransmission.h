#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QTimer>

class HandlerContext;

// Transmit and Stop below the message box, and the transmitter information
// query of the Help menu with its reply timer.
class MessageTransmission
{
public:
    // `replyTimer` is the window's single-shot 100 ms timer whose tick
    // collects the reply to the information query.
    MessageTransmission(HandlerContext &context, QTimer &replyTimer)
        : m_context(context), m_replyTimer(replyTimer)
    {
        m_queueTimer.setSingleShot(true);
        m_queueTimer.setTimerType(Qt::PreciseTimer);
        m_queueTimer.callOnTimeout([this] { keyNextQueued(); });
    }

    void Send_button_Click();
    void Stop_button_Click();
    // A station program's message, keyed without touching the message box:
    // at once when nothing is keyed, else after what is keyed and queued, as
    // a keyer's buffer keys. False, and nothing queued, when kQueuedMessages
    // wait already. The operator's Transmit and Stop empty the queue.
    bool queueForStationProgram(const QString &text);
    void dropQueue() { m_queue.clear(); }
    // A message is being keyed (its Morse timing at the speed it was sent
    // with has not run out, and no Stop has been sent since) or waits.
    bool keying() const { return !m_keyingEnds.hasExpired() || !m_queue.isEmpty(); }
    // ... and it is a station program's.
    bool keyingStationMessage() const
    {
        return (!m_keyingEnds.hasExpired() && m_stationMessage) || !m_queue.isEmpty();
    }

    // A station program's messages waiting behind the one keyed: a logger's
    // macros, a few at a time; more is a client that does not wait.
    static constexpr int kQueuedMessages = 16;
    void menuShow_VAKO_Software_Version_Click();
    void Timer1_Timer();

private:
    // Transmit and Stop need the port; with it closed the operator is told.
    bool portOpenOrTell();
    // Sends one message: "=M" with the text as its field carries it, "=BT".
    void key(const QString &text, bool fromStationProgram);
    void keyNextQueued();

    HandlerContext &m_context;
    QTimer &m_replyTimer;
    QDeadlineTimer m_keyingEnds;   // expired: nothing keyed
    bool m_stationMessage = false; // the one keyed came from a station program
    QStringList m_queue;           // station programs' messages, in order
    QTimer m_queueTimer;           // fires when the keyed message ends
};
