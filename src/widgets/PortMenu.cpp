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

PortMenu::PortMenu(HandlerContext &context, SettingsFile &settings, DeviceForPort deviceForPort)
    : m_context(context), m_settings(settings), m_deviceForPort(std::move(deviceForPort))
{
}

void PortMenu::DiscoverComPorts(const std::function<QAction *(int index)> &newEntry)
{
    SerialControl &comm = m_context.link.comm();
    QList<QAction *> &entries = m_context.ui.menuCom;
    const qint64 stored = takeStoredPort();
    // A port is free when its number names a device that opens now. The
    // probe writes nothing: it only opens and closes. The stored port is
    // probed last and, when free, stays open for OpenStoredComPort: one open
    // fewer at the start, and one rise and fall of the modem lines fewer on
    // the transmitter's line.
    const auto probe = [&](int n) {
        const bool free = comm.setCommPort(n) && comm.setPortOpen(true);
        if (n != stored)
            comm.setPortOpen(false);
        entries[n]->setEnabled(free);
        entries[n]->setVisible(free);
        if (free)
            entries.first()->setVisible(false);
    };
    for (int n = 1; n <= m_context.state.PortEntryCount; ++n) {
        QAction *entry = newEntry(n);
        entry->setText(QStringLiteral("Com%1").arg(n));
        const QString device = m_deviceForPort(n);
        entry->setToolTip(device.isEmpty() ? QStringLiteral("No device") : device);
        entries.append(entry);
        if (n != stored)
            probe(n);
    }
    if (stored >= 1 && stored <= m_context.state.PortEntryCount)
        probe(static_cast<int>(stored));
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
    const bool settingsTaken = m_context.link.comm().setSettings(lineSettingsText(state.BaudRate));
    return settingsTaken ? portValue(state.Portnumber) : 0;
}

void PortMenu::OpenStoredComPort()
{
    SerialControl &comm = m_context.link.comm();
    if (!comm.portOpen()) { // not left open by its probe
        const qint64 port = takeStoredPort();
        if (port > 0 && comm.setCommPort(port))
            comm.setPortOpen(true);
    }
    if (!comm.portOpen()) {
        m_context.ui.menuCloseComPort->setEnabled(false);
        return;
    }
    showOpen();
}

void PortMenu::OpenComPort()
{
    SessionState &state = m_context.state;
    SerialControl &comm = m_context.link.comm();
    for (int n = 1; n < m_context.ui.menuCom.size() && n <= state.PortEntryCount; ++n)
        m_context.ui.menuCom[n]->setChecked(false);

    comm.setPortOpen(false);
    const qint64 port = portValue(state.Portnumber);
    const bool opened = comm.setCommPort(port) && comm.setPortOpen(true);
    if (!opened) {
        comm.setPortOpen(false);
        m_context.showPortStatus(false);
        m_context.ui.menuCloseComPort->setEnabled(false);
        if (port > 0)
            m_context.dialogs.message(kNotAvailable);
        state.Portnumber = 0;
    } else {
        showOpen();
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
    SerialControl &comm = m_context.link.comm();
    comm.setPortOpen(false);
    for (int n = 1; n < m_context.ui.menuCom.size(); ++n)
        m_context.ui.menuCom[n]->setChecked(false);
    m_context.showPortStatus(false);
    m_context.ui.menuCloseComPort->setEnabled(false);
    m_context.dialogs.message(kNotAvailable);
}

void PortMenu::showOpen()
{
    const qint64 port = portValue(m_context.state.Portnumber);
    // A port above the menu's entries simply gets no check mark.
    if (port >= 1 && port < m_context.ui.menuCom.size())
        m_context.ui.menuCom[port]->setChecked(true);
    m_context.ui.menuCloseComPort->setEnabled(true);
    m_context.showPortStatus(true);
}
