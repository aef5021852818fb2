#include "KeyingControls.h"

#include "Dialogs.h"
#include "DisplayLabel.h"
#include "HandlerContext.h"
#include "protocol/CommandProtocol.h"
#include "protocol/DisplayText.h"
#include "protocol/SpeedGrid.h"
#include "serial/TransmitterLink.h"

void KeyingControls::CW_speed_up_Click()
{
    stepSpeed(+1);
}

void KeyingControls::CW_speed_down_Click()
{
    stepSpeed(-1);
}

void KeyingControls::stepSpeed(int direction)
{
    // A speed whose settings text spells no number has nothing to step from.
    const Number speed = m_context.state.CW_speed;
    if (speed && direction > 0 && *speed < SpeedGrid::kFastest)
        setSpeed(SpeedGrid::stepUp(*speed));
    else if (speed && direction < 0 && *speed > SpeedGrid::kSlowest)
        setSpeed(SpeedGrid::stepDown(*speed));
}

void KeyingControls::setSpeed(qint64 tenths)
{
    m_context.state.CW_speed = tenths;
    // The display's change handler stores and sends the new speed.
    m_context.ui.CW_speed_display->setCaption(DisplayText::speed(tenths));
}

void KeyingControls::CW_speed_display_Change()
{
    m_context.storeAndSend(&ModelProfile::CW_speed, Command::Speed);
}

void KeyingControls::Power_Option_Click(int Index)
{
    m_context.state.Power = Index;
    m_context.storeAndSend(&ModelProfile::Power, Command::Power);
}

void KeyingControls::menu_Keyer_Click(int Index)
{
    // The keyer mode is only ever changed together with the transmitter's:
    // with the port closed the check mark stays where the transmitter is.
    if (!m_context.link.portOpen()) {
        m_context.dialogs.message(QStringLiteral("Com port is closed"));
        return;
    }
    if (!Command::Keyer.carries(Index))
        return;
    m_context.state.Keyer_Type = Index;
    // The menu's form of the line: the index with its sign position, uncut.
    m_context.link.SendCommand(QLatin1String(Command::Keyer.word) +
                               CommandField(Index, Command::Keyer.widest));
    m_context.RefreshPanel();
}
