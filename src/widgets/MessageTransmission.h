#pragma once

#include <QDeadlineTimer>
#include <QString>

class HandlerContext;
class QTimer;

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
    }

    void Send_button_Click();
    void Stop_button_Click();
    // Transmit for a station program. It must not take the reply to the
    // operator's information query: while the query waits, the received text
    // is left for the tick.
    void transmitForStationProgram();
    // A message sent by Transmit is being keyed: its Morse timing at the speed
    // it was sent with has not run out, and no Stop has been sent since.
    bool keying() const { return !m_keyingEnds.hasExpired(); }
    void menuShow_VAKO_Software_Version_Click();
    void Timer1_Timer();

private:
    // Transmit and Stop need the port; with it closed the operator is told.
    bool portOpenOrTell();
    void transmit(bool discardReceived);

    HandlerContext &m_context;
    QTimer &m_replyTimer;
    QDeadlineTimer m_keyingEnds; // expired: nothing keyed
};
