#include "link/TransmitterLink.h"

#include "link/AnsiText.h"
#include "link/SerialControl.h"

bool TransmitterLink::portOpen() const
{
    return m_comm.portOpen();
}

void TransmitterLink::SendCommand(const QString &text)
{
    m_comm.output(lineBytes(text));
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
