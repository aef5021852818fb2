#include "KeyingControls.h"

#include "Dialogs.h"
#include "DisplayLabel.h"
#include "HandlerContext.h"
#include "protocol/CommandProtocol.h"
#include "protocol/DisplayText.h"
#include "protocol/NumberText.h"
#include "serial/TransmitterLink.h"

namespace {

// The speed grid the buttons walk, in tenths of a word per minute: 0.1 wpm
// steps up to 1 wpm, whole wpm above, 50 wpm at the top.
constexpr qint64 kFineStepsBelow = 10;
constexpr qint64 kFastest = 500;
constexpr qint64 kSlowest = 1;

} // namespace

void KeyingControls::CW_speed_up_Click()
{
    SessionState &state = m_context.state;
    // A speed whose settings text spells no number has nothing to step from.
    if (!state.CW_speed)
        return;
    const qint64 speed = *state.CW_speed;
    if (speed >= kFastest)
        return;
    setSpeed(speed + (speed < kFineStepsBelow ? 1 : 10));
}

void KeyingControls::CW_speed_down_Click()
{
    SessionState &state = m_context.state;
    if (!state.CW_speed)
        return;
    const qint64 speed = *state.CW_speed;
    if (speed <= kSlowest)
        return;
    // At exactly 1 wpm the step turns fine: 20 -> 10 -> 9.
    setSpeed(speed - (speed <= kFineStepsBelow ? 1 : 10));
}

void KeyingControls::setSpeed(qint64 tenths)
{
    m_context.state.CW_speed = tenths;
    // The display's change handler stores and sends the new speed.
    m_context.ui.CW_speed_display->setCaption(DisplayText::speed(tenths));
}

void KeyingControls::CW_speed_display_Change()
{
    SessionState &state = m_context.state;
    m_context.session.copyToProfile(&ModelProfile::CW_speed, state.CW_speed);
    m_context.link.sendValue(Command::Speed, state.CW_speed, Command::SpeedWidth);
}

void KeyingControls::Power_Option_Click(int Index)
{
    SessionState &state = m_context.state;
    state.Power = Index;
    m_context.session.copyToProfile(&ModelProfile::Power, state.Power);
    m_context.link.sendValue(Command::Power, state.Power, 1);
}

void KeyingControls::menu_Keyer_Click(int Index)
{
    // The keyer mode is only ever changed together with the transmitter's:
    // with the port closed the check mark stays where the transmitter is.
    if (!m_context.link.portOpen()) {
        m_context.dialogs.message(QStringLiteral("Com port is closed"));
        return;
    }
    if (!Command::fitsField(Command::Keyer, Index))
        return;
    m_context.state.Keyer_Type = Index;
    // The menu's form of the line: the index with its sign position, uncut.
    m_context.link.SendCommand(QLatin1String(Command::Keyer) + NumberText::signedText(Index));
    m_context.RefreshPanel();
}
