#pragma once

#include "RigTarget.h"

#include <QByteArray>
#include <QByteArrayView>

struct RigCommand;

// One station program's conversation in the text protocol of Hamlib's
// network rig ("rigctld"): lines in, answers out, as rigctl -m 2 expects
// them. Requests end with a line feed; several commands may share a line;
// a "+" (or ";", "|", ",") before a command asks for its extended answer.
// Every command of Hamlib's list is answered: what the transmitter cannot do
// with "not available"; unknown commands are passed over without an answer,
// as rigctld does. A command whose arguments are missing from its line is
// refused at once (rigctld would wait for them on later lines).
// "\wait_morse" answers once the keying is over: until then the conversation
// waits (waiting()), holding what the client sent after it, and take() with no
// bytes asks again.
class RigConversation
{
public:
    static constexpr int kLongestLine = 1024;

    explicit RigConversation(RigTarget &target) : m_target(target) {}

    // Takes what the client sent; gives the answers to every line it
    // completes. Bytes after a quit or a line that is too long are dropped.
    QByteArray take(QByteArrayView bytes);
    // The client quit, or sent a line longer than kLongestLine: the
    // connection ends once the answer is written.
    bool ended() const { return m_ended; }
    bool waiting() const { return m_waiting != nullptr; }

private:
    QByteArray answerCommands();

    RigTarget &m_target;
    QByteArray m_input; // received, not yet answered
    QByteArray m_line;  // the line being answered, from m_at on
    qsizetype m_at = 0;
    bool m_ended = false;
    const RigCommand *m_waiting = nullptr; // the wait_morse being answered
    char m_waitingSeparator = 0;
};
