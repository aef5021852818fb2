#pragma once

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
    void menuShow_VAKO_Software_Version_Click();
    void Timer1_Timer();

    // The message as the "=M" line carries it: the carriage return ends the
    // line, so every line break of the text (CR LF, CR or LF) becomes one
    // space; nothing else changes.
    static QString messageField(const QString &text);

    // The information box's text for the bytes received after the query: the
    // transmitter's text without its first three characters, then the two
    // lines naming the software.
    static QString informationText(const QByteArray &reply);

private:
    HandlerContext &m_context;
    QTimer &m_replyTimer;
};
