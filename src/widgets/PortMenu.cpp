#include "PortMenu.h"

#include "Dialogs.h"
#include "HandlerContext.h"
#include "serial/SerialControl.h"
#include "serial/TransmitterLink.h"
#include "settings/SettingsFile.h"

#include <QAction>
#include <QLabel>

namespace {

const QString kNotAvailable = QStringLiteral("The Com Port is not available");

// A port number as the port routines take it: the number its text begins
// with, 0 when it spells none.
qint64 portValue(const Number &portnumber)
{
    return portnumber.value_or(0);
}

} // namespace

PortMenu::PortMenu(HandlerContext &context, SerialControl &comm, SettingsFile &settings,
                   DeviceForPort deviceForPort)
    : m_context(context), m_comm(comm), m_settings(settings),
      m_deviceForPort(std::move(deviceForPort))
{
}

void PortMenu::DiscoverComPorts(const std::function<QAction *(int index)> &newEntry)
{
    QList<QAction *> &entries = m_context.ui.menuCom;
    const qint64 stored = takeStoredPort();
    QList<qint64> probed;
    for (int n = 1; n <= m_context.state.PortEntryCount; ++n) {
        QAction *entry = newEntry(n);
        entry->setText(QStringLiteral("Com%1").arg(n));
        entries.append(entry);
        if (n != stored)
            probed << n;
    }
    // A port is free when its number names a device that opens now. The
    // probe writes nothing: it only asks each device, all of them at once
    // within one time bound, so that no port holds the start-up. The stored
    // port is probed last and, when free, stays open for OpenStoredComPort:
    // one open fewer at the start, and one rise and fall of the modem lines
    // fewer on the transmitter's line.
    QList<PortRefusal> refusals = m_comm.probePorts(probed);
    if (stored >= 1 && stored <= m_context.state.PortEntryCount) {
        const bool open = m_comm.setCommPort(stored) && m_comm.setPortOpen(true);
        probed << stored;
        refusals << (open ? PortRefusal::None : m_comm.refusal());
    }
    for (int i = 0; i < probed.size(); ++i) {
        QAction *entry = entries[int(probed[i])];
        const bool free = refusals.value(i, PortRefusal::NotThere) == PortRefusal::None;
        entry->setEnabled(free);
        entry->setVisible(free);
        showRefusal(int(probed[i]), refusals.value(i, PortRefusal::NotThere));
        if (free)
            entries.first()->setVisible(false);
    }
}

void PortMenu::showRefusal(qint64 port, PortRefusal refusal)
{
    QList<QAction *> &entries = m_context.ui.menuCom;
    if (port < 1 || port >= entries.size())
        return;
    const QString device = m_deviceForPort(port);
    const QString why = refusalText(refusal);
    entries[int(port)]->setToolTip(device.isEmpty() ? QStringLiteral("No device")
                                   : why.isEmpty()  ? device
                                                    : device + QStringLiteral(": ") + why);
}

qint64 PortMenu::takeStoredPort()
{
    SessionState &state = m_context.state;
    if (const ModelProfile *profile = m_context.session.selectedProfile()) {
        state.BaudRate = profile->BaudRate;
        state.Portnumber = profile->Portnumber;
    }
    // An unusable stored baud rate is refused; the stored port then stays
    // closed, silently, as does a port that is busy now. Either way the stored
    // number is kept, so the next start tries the same port again.
    const bool settingsTaken = m_comm.setSettings(lineSettingsText(state.BaudRate));
    return settingsTaken ? portValue(state.Portnumber) : 0;
}

void PortMenu::OpenStoredComPort()
{
    if (!m_comm.portOpen()) { // not left open by its probe
        const qint64 port = takeStoredPort();
        if (port > 0 && m_comm.setCommPort(port))
            m_comm.setPortOpen(true);
    }
    showPortState();
}

void PortMenu::OpenComPort()
{
    SessionState &state = m_context.state;
    m_comm.setPortOpen(false);
    const qint64 port = portValue(state.Portnumber);
    const bool opened = m_comm.setCommPort(port) && m_comm.setPortOpen(true);
    if (!opened)
        m_comm.setPortOpen(false);
    if (port > 0)
        showRefusal(port, opened ? PortRefusal::None : m_comm.refusal());
    showPortState();
    if (!opened) {
        if (port > 0)
            m_context.dialogs.message(kNotAvailable);
        state.Portnumber = 0;
    }
    m_context.session.copyToProfile(&ModelProfile::Portnumber, state.Portnumber);
}

void PortMenu::menuCom_Click(int Index)
{
    m_context.state.Portnumber = Index;
    if (Index == 0) {
        m_context.dialogs.message(
            QStringLiteral(
                "Exit the application and connect first the USB-RS232 cable. Then try again."),
            QStringLiteral("No Free Com Ports Found"), MessageBoxRequest::Icon::Information);
        return;
    }
    OpenComPort();
    m_settings.SaveSettings();
}

void PortMenu::menuCloseComPort_Click()
{
    m_context.state.Portnumber = 0;
    OpenComPort();
    m_settings.SaveSettings();
}

void PortMenu::portLost()
{
    m_comm.setPortOpen(false);
    showPortState();
    m_context.dialogs.message(kNotAvailable);
}

void PortMenu::applyLineSettings(const QString &settings)
{
    if (!m_comm.portOpen()) {
        m_comm.setSettings(settings);
        return;
    }
    m_comm.setPortOpen(false);
    m_comm.setSettings(settings);
    if (!m_comm.setPortOpen(true))
        portLost();
}

void PortMenu::showPortState()
{
    const bool open = m_comm.portOpen();
    // A port above the menu's entries simply gets no check mark.
    const qint64 port = open ? portValue(m_context.state.Portnumber) : 0;
    for (int n = 1; n < m_context.ui.menuCom.size(); ++n)
        m_context.ui.menuCom[n]->setChecked(n == port);
    m_context.ui.menuCloseComPort->setEnabled(open);
    m_context.ui.Status->setText(open ? QStringLiteral("Com Port Open")
                                      : QStringLiteral("Com Port Closed"));
}
