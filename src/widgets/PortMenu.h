#pragma once

#include <QString>

#include <functional>

class HandlerContext;
class QAction;
class SettingsFile;

// Which serial ports the operator may choose, and opening and closing the one
// port: the Com menu, its check mark, "Close Com Port" and the status line.
class PortMenu
{
public:
    using DeviceForPort = std::function<QString(qint64 portNumber)>;

    PortMenu(HandlerContext &context, SettingsFile &settings, DeviceForPort deviceForPort);

    // Start-up: creates Com1..Com100 below the placeholder and shows those
    // whose port can be opened now. `newEntry` makes one menu entry. The
    // selected model's port, when free, is left open.
    void DiscoverComPorts(const std::function<QAction *(int index)> &newEntry);
    // Start-up: opens the selected model's port at its line speed, unless
    // its probe left it open.
    void OpenStoredComPort();
    // (Re)opens the port of Portnumber; 0 closes it.
    void OpenComPort();

    void menuCom_Click(int Index);
    void menuCloseComPort_Click();

    // The open port failed on its own (adapter pulled out) or could not be
    // reopened: closed state, one message, the stored port number kept so
    // the next start tries it again.
    void portLost();

private:
    // Takes the selected model's line speed and port number and applies the
    // speed; the port number to open, 0 when none or the speed is refused.
    qint64 takeStoredPort();
    void showOpen();

    HandlerContext &m_context;
    SettingsFile &m_settings;
    DeviceForPort m_deviceForPort;
};
