#include "panel/KeyingControls.h"

#include "link/CommandProtocol.h"
#include "link/TransmitterLink.h"
#include "panel/Panel.h"

void KeyingControls::CW_speed_display_Change()
{
    SessionState &state = m_panel.state;
    m_panel.session.copyToProfile(&ModelProfile::CW_speed, state.CW_speed);
    if (m_panel.link.portOpen() && state.CW_speed &&
        Command::carries(Command::Speed, *state.CW_speed))
        m_panel.link.SendCommand(QLatin1String(Command::Speed) +
                                 CommandField(*state.CW_speed, Command::SpeedWidth));
}

void KeyingControls::Power_Option_Click(int Index)
{
    SessionState &state = m_panel.state;
    state.Power = Index;
    m_panel.session.copyToProfile(&ModelProfile::Power, state.Power);
    if (m_panel.link.portOpen())
        m_panel.link.SendCommand(QLatin1String(Command::Power) + CommandField(Index, 1));
}
