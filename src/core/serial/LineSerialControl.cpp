#include "serial/LineSerialControl.h"

namespace {

// A notifier may be the one whose signal is being handled: it goes once the
// handling is over.
void stopWatching(std::unique_ptr<QSocketNotifier> &notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

} // namespace

LineSerialControl::LineSerialControl(DeviceForPort deviceForPort, QObject *parent)
    : DeviceSerialControl(std::move(deviceForPort), parent)
{
}

LineSerialControl::~LineSerialControl() = default;

std::unique_ptr<SerialControl> makePortSerialControl(DeviceForPort deviceForPort)
{
    return std::make_unique<LineSerialControl>(std::move(deviceForPort));
}

bool LineSerialControl::portOpen() const
{
    return m_line.isOpen();
}

bool LineSerialControl::setPortOpen(bool open)
{
    if (!open) {
        stopWatching(m_readable); // before the descriptor they watch goes
        stopWatching(m_writable);
        m_line.close();
        m_received.clear();
        m_waiting.clear();
        return true;
    }
    if (m_line.isOpen())
        return false;
    m_received.clear();
    if (!m_line.open(m_device, m_baudRate))
        return false;
    m_readable = std::make_unique<QSocketNotifier>(m_line.handle(), QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, [this] { collect(); });
    return true;
}

bool LineSerialControl::probePort(qint64 portNumber)
{
    return setCommPort(portNumber) && SerialLine::deviceFree(m_device);
}

bool LineSerialControl::output(const QByteArray &bytes)
{
    if (!m_line.isOpen())
        return false;
    // Bytes the driver has not taken yet go first: the transmitter must get
    // the lines in the order they were sent.
    m_waiting.append(bytes);
    return sendWaiting();
}

bool LineSerialControl::sendWaiting()
{
    while (!m_waiting.isEmpty()) {
        const qint64 taken = m_line.write(m_waiting.constData(), m_waiting.size());
        if (taken < 0) {
            fail();
            return false;
        }
        if (taken == 0)
            break;
        m_waiting.remove(0, taken);
    }
    if (m_waiting.isEmpty()) {
        stopWatching(m_writable);
    } else if (!m_writable) {
        // The driver's buffer is full: the rest goes as it empties, while the
        // window goes on.
        m_writable = std::make_unique<QSocketNotifier>(m_line.handle(), QSocketNotifier::Write);
        connect(m_writable.get(), &QSocketNotifier::activated, this, [this] { sendWaiting(); });
    }
    return true;
}

QByteArray LineSerialControl::input()
{
    // Fetch what the driver holds but the event loop has not collected yet.
    // A line that never falls silent would keep this going for ever, so it
    // stops once a full buffer's worth has come in: the newest bytes are
    // kept, and the window goes on.
    for (qint64 taken = 0, got = 0; taken < maxReceived && (got = collect()) > 0; taken += got) {
    }
    QByteArray received;
    received.swap(m_received);
    return received;
}

qint64 LineSerialControl::collect()
{
    if (!m_line.isOpen())
        return 0;
    bool failed = false;
    const QByteArray chunk = m_line.read(&failed);
    if (failed) {
        fail();
        return 0;
    }
    keepNewest(m_received, chunk);
    return chunk.size();
}

void LineSerialControl::fail()
{
    // The adapter was pulled out, the far end has gone, or the line is in
    // error: the port is closed, and the window says so.
    setPortOpen(false);
    Q_EMIT portFailed();
}
