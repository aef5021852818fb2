#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>

#include <optional>

// What a station program may read and change through the network port, in
// the panel's own terms. The panel answers through its handlers, so that a
// change from another program is an operator's change: shown, stored, sent.
class RigTarget
{
public:
    virtual ~RigTarget() = default;
    virtual bool portOpen() const = 0;
    virtual std::optional<qint64> frequency() const = 0; // Hz
    virtual void setFrequency(qint64 hz) = 0;
    virtual std::optional<qint64> speed() const = 0; // tenths of a word per minute
    virtual void setSpeed(qint64 tenths) = 0;
    virtual std::optional<qint64> power() const = 0; // the power option, 0 "MIN" .. 3 "MAX"
    virtual void setPower(int index) = 0;
    virtual int messageLimit() const = 0; // characters the message box holds
    virtual void sendMorse(const QString &text) = 0;
    virtual void stopMorse() = 0;
    // A message sent by the panel is being keyed (its Morse timing has not
    // run out, and no Stop was sent since).
    virtual bool keying() const = 0;
    virtual QString model() const = 0; // the selected transmitter, "ALDER" or "BIRCH"
};

// The result codes of Hamlib's network protocol that the panel answers with
// (the last line of an answer, "RPRT n").
namespace RigResult {
constexpr int Ok = 0;
constexpr int InvalidParameter = -1; // a value the transmitter cannot take
constexpr int IoError = -6;          // the serial port is closed: nothing was sent
constexpr int ProtocolError = -8;    // a line longer than the protocol allows
constexpr int NotAvailable = -11;    // what the transmitter cannot do
constexpr int Deprecated = -18;      // transceive mode, which Hamlib no longer offers
constexpr int Busy = -14;            // all client places are taken
constexpr int InvalidVfo = -16;      // the transmitter has one VFO, VFOA
} // namespace RigResult

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
    // The longest wait for the keying to end: a message at the slowest speed
    // would take hours, and the client would have given up long before.
    static constexpr qint64 kLongestWaitMs = 10 * 60 * 1000;

    explicit RigConversation(RigTarget &target) : m_target(target) {}

    // Takes what the client sent; gives the answers to every line it
    // completes. Bytes after a quit or a line that is too long are dropped.
    QByteArray take(QByteArrayView bytes);
    // The client quit, or sent a line longer than kLongestLine: the
    // connection ends once the answer is written.
    bool ended() const { return m_ended; }
    bool waiting() const { return m_waiting >= 0; }

    // The rig description a client reads first (\dump_state): one VFO,
    // CW only, 0 to 999999 Hz, the levels KEYSPD and RFPOWER.
    static QByteArray rigDescription();

private:
    QByteArray answerCommands();

    RigTarget &m_target;
    QByteArray m_input; // received, not yet answered
    QByteArray m_line;  // the line being answered, from m_at on
    qsizetype m_at = 0;
    bool m_ended = false;
    int m_waiting = -1; // the wait_morse being answered: its place in the command table
    char m_waitingSeparator = 0;
    QElapsedTimer m_waited;
};
