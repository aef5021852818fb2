#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class SerialControl;
struct CommandWord;

// Speaks command lines over the serial control. The panel never waits for an
// acknowledgement, never retries and reads only the reply to "?I".
class TransmitterLink
{
public:
    explicit TransmitterLink(SerialControl &comm) : m_comm(comm) {}

    bool portOpen() const;

    // Writes the text and one carriage return in one write. Callers test the
    // port themselves first: what a closed port means differs per sender.
    void SendCommand(const QString &text);

    // Sends the command with the value's field (`width` characters, the
    // command's own width when 0), but only while the port is open and only a
    // value its field carries truly: a value that spells no number, or one
    // the field would cut, never reaches the transmitter.
    void sendValue(const CommandWord &command, const std::optional<qint64> &value, int width = 0);

    // Everything received since the last read; the receive buffer is emptied.
    QByteArray readReceived();

    // The bytes of a command line: one byte per character (Windows-1252, '?'
    // for characters outside it), then the carriage return.
    static QByteArray lineBytes(const QString &text);

private:
    SerialControl &m_comm;
};
