#pragma once

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
    // False, and nothing changed, for a frequency the transmitter cannot be
    // tuned to (beyond the six digits of "=F").
    virtual bool setFrequency(qint64 hz) = 0;
    virtual std::optional<qint64> speed() const = 0; // tenths of a word per minute
    virtual void setSpeed(qint64 tenths) = 0;
    virtual std::optional<qint64> power() const = 0; // the power option, 0 "MIN" .. 3 "MAX"
    virtual void setPower(int index) = 0;
    virtual int messageLimit() const = 0; // characters the message box holds
    // Keys `text` (every character one with Morse) after what is being keyed
    // and queued, as a keyer's buffer does; false, and nothing queued, when
    // the queue is full.
    virtual bool sendMorse(const QString &text) = 0;
    // Ends the keying and empties the queue.
    virtual void stopMorse() = 0;
    // Empties the queue; what is being keyed goes on.
    virtual void dropQueuedMorse() = 0;
    // A message is being keyed or waits in the queue (the Morse timing of
    // the one keyed has not run out, and no Stop was sent since).
    virtual bool keying() const = 0;
    // A station program's message is being keyed or waits: what \wait_morse
    // waits for. The operator's Transmit cuts those short, and ends the wait.
    virtual bool keyingStationMessages() const { return keying(); }
    virtual QString model() const = 0; // the selected transmitter, "ALDER" or "BIRCH"
};
