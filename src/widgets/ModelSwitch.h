#pragma once

#include "session/SessionState.h"

class HandlerContext;
class PortMenu;
class SettingsFile;

// The Vako menu: makes one model's stored profile the live state, reopens
// that model's port, brings the transmitter and the window in line and keeps
// the choice in the settings file.
class ModelSwitch
{
public:
    ModelSwitch(HandlerContext &context, PortMenu &ports, SettingsFile &settings)
        : m_context(context), m_ports(ports), m_settings(settings)
    {
    }

    void menu_VAKO_ALDER_Click();
    void menu_VAKO_BIRCH_Click();

private:
    void switchTo(ModelId model);

    HandlerContext &m_context;
    PortMenu &m_ports;
    SettingsFile &m_settings;
};
