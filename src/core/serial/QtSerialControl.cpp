#include "serial/QtSerialControl.h"

#include "Platform.h"

QtSerialControl::QtSerialControl(DeviceForPort deviceForPort, QObject *parent)
    : DeviceSerialControl(std::move(deviceForPort), parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::onError);
    // QSerialPort's own buffer grows without limit by default while the event
    // loop fetches arriving bytes; bound it, and move what arrives into the
    // control's own buffer at once, where the oldest bytes give way.
    m_port.setReadBufferSize(maxReceived);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialControl::collect);
}

QtSerialControl::~QtSerialControl() = default;

std::unique_ptr<SerialControl> makePortSerialControl(DeviceForPort deviceForPort)
{
    return std::make_unique<QtSerialControl>(std::move(deviceForPort));
}

bool QtSerialControl::portOpen() const
{
    return m_port.isOpen();
}

bool QtSerialControl::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen())
            m_port.close();
        m_received.clear();
        return true;
    }
    if (m_port.isOpen() || !Platform::serialDevicePresent(m_device))
        return false;
    m_port.setPortName(m_device);
    m_received.clear();
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    if (!m_port.setBaudRate(m_baudRate) || !m_port.setDataBits(QSerialPort::Data8) ||
        !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        m_port.close();
        return false;
    }
    // Opening may raise DTR and RTS; an interface that wires them to keying
    // or PTT would key the transmitter. Hold both inactive. A port without
    // modem-control lines (Wine's on a pseudo-terminal) refuses this, which
    // does not make the open fail.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    return true;
}

bool QtSerialControl::output(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(bytes) != bytes.size())
        return false;
    // Hand the bytes to the driver now, not at some later event-loop turn: the
    // operator expects the transmitter to follow the click at once.
    m_port.flush();
    return m_port.isOpen();
}

QByteArray QtSerialControl::input()
{
    if (!m_port.isOpen())
        return {};
    // Fetch what the driver holds but the event loop has not collected yet.
    // A line that never falls silent would keep this going for ever, so it
    // stops once a full buffer's worth has come in: the newest bytes are
    // kept, and the window goes on.
    collect();
    const qint64 start = m_collected;
    for (int turn = 0; turn < 256 && m_collected - start < maxReceived && m_port.isOpen() &&
                       m_port.waitForReadyRead(0);
         ++turn)
        collect();
    if (!m_port.isOpen())
        return {};
    QByteArray received;
    received.swap(m_received);
    return received;
}

void QtSerialControl::collect()
{
    if (!m_port.isOpen())
        return;
    // Read even when nothing has been announced: a read of an empty buffer
    // asks the driver again, which is how bytes arrive where the port's
    // line-event wait has ended (see onError).
    const QByteArray chunk = m_port.readAll();
    if (chunk.isEmpty())
        return;
    m_collected += chunk.size();
    keepNewest(m_received, chunk);
}

void QtSerialControl::onError(QSerialPort::SerialPortError error)
{
    // Errors of a port that is open and then goes away (unplugged adapter,
    // broken line) end the connection; errors of a failed open are reported
    // by setPortOpen's own result.
    if (!m_port.isOpen())
        return;
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError:
    case QSerialPort::UnknownError:
        // The event loop may still hand on a "readable" that input() has
        // answered already by taking the bytes: the read then finds none, and
        // QSerialPort calls that an error. A port without modem lines refuses
        // the calls on them, and on Windows also the wait for line events,
        // which needs them (Wine's COM port on a pseudo-terminal); input()
        // still reads it. The line is only lost when it says so.
        if (!Platform::serialLineGone(qintptr(m_port.handle()))) {
            m_port.clearError();
            break;
        }
        Q_FALLTHROUGH();
    case QSerialPort::WriteError:
        m_port.close();
        Q_EMIT portFailed();
        break;
    default:
        break;
    }
}
