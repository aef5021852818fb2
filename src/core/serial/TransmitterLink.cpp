#include "serial/TransmitterLink.h"

#include "protocol/AnsiText.h"
#include "protocol/CommandProtocol.h"
#include "serial/SerialControl.h"

bool TransmitterLink::portOpen() const
{
    return m_comm.portOpen();
}

void TransmitterLink::SendCommand(const QString &text)
{
    m_comm.output(lineBytes(text));
}

void TransmitterLink::sendValue(const CommandWord &command, const std::optional<qint64> &value,
                                int width)
{
    if (portOpen() && value && command.carries(*value))
        SendCommand(QLatin1String(command.word) +
                    CommandField(*value, width ? width : command.width));
}

QByteArray TransmitterLink::readReceived()
{
    return m_comm.input();
}

QByteArray TransmitterLink::lineBytes(const QString &text)
{
    QByteArray bytes = AnsiText::encode(text);
    bytes.append('\r');
    return bytes;
}
