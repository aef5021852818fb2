#include "panel/FrequencyTuning.h"

#include "link/CommandProtocol.h"
#include "link/TransmitterLink.h"
#include "panel/Panel.h"

void FrequencyTuning::Frequency_display_Change()
{
    SessionState &state = m_panel.state;
    m_panel.session.copyToProfile(&ModelProfile::Frequency, state.Frequency);
    // The handler sends the live value, never the display's text.
    if (m_panel.link.portOpen() && state.Frequency &&
        Command::carries(Command::Frequency, *state.Frequency))
        m_panel.link.SendCommand(QLatin1String(Command::Frequency) +
                                 CommandField(*state.Frequency, Command::FrequencyWidth));
}

void FrequencyTuning::Step_Option_Click(int Index)
{
    m_panel.state.Step = Index;
    m_panel.session.copyToProfile(&ModelProfile::Step, m_panel.state.Step);
}
