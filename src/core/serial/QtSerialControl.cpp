#include "serial/QtSerialControl.h"

#include "Platform.h"

#include <QDeadlineTimer>

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

QtSerialControl::~QtSerialControl()
{
    close(); // Qt Serial Port's close first, then the claim
}

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
        close();
        return true;
    }
    if (m_port.isOpen())
        return false;
    m_received.clear();
    m_refusal = m_device.isEmpty() ? PortRefusal::NotThere : m_claim.take(m_device, kOpenBoundMs);
    if (m_refusal != PortRefusal::None)
        return false;
    m_port.setPortName(m_claim.device());
    if (!m_port.open(QIODevice::ReadWrite)) {
        // The claim found the device free, so what stops Qt Serial Port is
        // the lock file another program has just made, or one it will not
        // judge stale yet.
        m_refusal = m_port.error() == QSerialPort::DeviceNotFoundError ? PortRefusal::NotThere
                                                                       : PortRefusal::InUse;
        m_claim.release();
        return false;
    }
    if (!m_port.setBaudRate(m_baudRate) || !m_port.setDataBits(QSerialPort::Data8) ||
        !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        m_refusal = PortRefusal::NotSerial;
        close();
        return false;
    }
    // The claim lowered DTR and RTS; hold them so, whatever the open did.
    // A port without modem-control lines (a pseudo-terminal, Wine's COM port
    // on one) refuses this, which does not make the open fail.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    return true;
}

void QtSerialControl::close()
{
    if (m_port.isOpen() && !m_closing) {
        m_closing = true; // a line that fails meanwhile is closed here, not again
        // What the panel wrote last (the model switch's lines, a stop) still
        // goes, at the speed it was written for, before the line is given
        // back its old settings; a line that takes nothing does not hold
        // the window past the bound.
        QDeadlineTimer deadline(kCloseBoundMs);
        while (m_port.bytesToWrite() > 0 && !deadline.hasExpired() &&
               m_port.waitForBytesWritten(int(deadline.remainingTime()))) {
        }
        drainSerialLine(qintptr(m_port.handle()), int(deadline.remainingTime()));
        m_port.close();
        m_closing = false;
    }
    m_claim.release();
    m_received.clear();
}

QList<PortRefusal> QtSerialControl::probePorts(const QList<qint64> &portNumbers)
{
    QStringList devices;
    for (const qint64 n : portNumbers)
        devices << (setCommPort(n) ? m_device : QString());
    return PortClaim::probe(devices, kOpenBoundMs);
}

bool QtSerialControl::output(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    // Qt Serial Port keeps what the driver cannot take at once and hands it
    // on, in order, as the driver takes it: the transmitter gets every line
    // the operator sent, and the window does not wait for a slow line. So a
    // short write is no failure; only a port that refuses the bytes is.
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
    if (!m_port.isOpen() || m_closing)
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
        close();
        Q_EMIT portFailed();
        break;
    default:
        break;
    }
}
