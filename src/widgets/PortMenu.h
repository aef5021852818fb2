#pragma once

#include "serial/SerialControl.h"

#include <QString>

#include <functional>

class HandlerContext;
class QAction;
class SettingsFile;

// The one owner of the serial port: which ports the operator may choose,
// opening and closing the port, its line speed and its loss, and how the
// window shows each state (the Com menu's check mark, "Close Com Port" and
// the status line). The transmitter link only writes and reads through it.
class PortMenu
{
public:
    PortMenu(HandlerContext &context, SerialControl &comm, SettingsFile &settings,
             DeviceForPort deviceForPort);

    // Start-up: creates Com1..Com100, appended to the port entries after the
    // placeholder, and shows those whose port can be opened now. `newEntry`
    // makes one entry, which the caller puts into the menu. The selected
    // model's port, when free, is left open.
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

    // Applies the line settings ("115200,n,8,1"); an open port is closed and
    // reopened with them inside this one call, so no command can reach the
    // closed port in between, and one that does not reopen is lost.
    void applyLineSettings(const QString &settings);

private:
    // Takes the selected model's line speed and port number and applies the
    // speed; the port number to open, 0 when none or the speed is refused.
    qint64 takeStoredPort();
    // The window's look of the port's state: the open port's check mark,
    // "Close Com Port" usable, "Com Port Open"; or none, greyed, "Com Port
    // Closed".
    void showPortState();
    // The Com menu entry's tooltip: its device, and why it cannot be opened
    // when the last try failed.
    void showRefusal(qint64 port, PortRefusal refusal);

    HandlerContext &m_context;
    SerialControl &m_comm;
    SettingsFile &m_settings;
    DeviceForPort m_deviceForPort;
};
