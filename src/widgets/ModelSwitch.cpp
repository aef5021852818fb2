#include "ModelSwitch.h"

#include "HandlerContext.h"
#include "PortMenu.h"
#include "protocol/CommandProtocol.h"
#include "serial/TransmitterLink.h"
#include "settings/SettingsFile.h"

void ModelSwitch::menu_VAKO_ALDER_Click()
{
    switchTo(ModelId::Alder);
}

void ModelSwitch::menu_VAKO_BIRCH_Click()
{
    switchTo(ModelId::Birch);
}

void ModelSwitch::switchTo(ModelId model)
{
    Session &session = m_context.session;
    SessionState &state = m_context.state;

    // The model that is already selected is reloaded all the same: the port
    // is reopened and the transmitter is told every value again.
    state.Model = QLatin1String(modelTable()[static_cast<int>(model)].name);
    session.loadProfile(session.profile(model));

    // Each model reopens its own stored port; the line keeps the speed it
    // was last set to.
    m_ports.OpenComPort();

    // The port is tested again before each line.
    m_context.link.sendValue(Command::Frequency, state.Frequency);
    m_context.link.sendValue(Command::Speed, state.CW_speed);
    // On a model switch the power goes out in a three-character field, a
    // space before the digit, unlike the power options' one-character field.
    m_context.link.sendValue(Command::Power, state.Power, Command::Power.widest);

    // Every shown value that changes sends its own line again from its
    // control's handler, nested in here: "=F", "=P", "=S".
    m_context.RefreshPanel();

    m_settings.SaveSettings();
}
