#include "RemoteControl.h"

#include "FrequencyTuning.h"
#include "HandlerContext.h"
#include "KeyingControls.h"
#include "MessageText.h"
#include "MessageTransmission.h"
#include "serial/TransmitterLink.h"

bool RemoteControl::portOpen() const
{
    return m_context.link.portOpen();
}

std::optional<qint64> RemoteControl::frequency() const
{
    return m_context.state.Frequency;
}

bool RemoteControl::setFrequency(qint64 hz)
{
    return m_tuning.setFrequency(hz);
}

std::optional<qint64> RemoteControl::speed() const
{
    return m_context.state.CW_speed;
}

void RemoteControl::setSpeed(qint64 tenths)
{
    m_keying.setSpeed(tenths);
}

std::optional<qint64> RemoteControl::power() const
{
    return m_context.state.Power;
}

void RemoteControl::setPower(int index)
{
    // As a click on the option: its handler stores and sends it.
    HandlerContext::selectOption(m_context.ui.Power_Option, index);
}

int RemoteControl::messageLimit() const
{
    return MessageText::kMaxTyped;
}

bool RemoteControl::sendMorse(const QString &text)
{
    // Keyed without touching the message box: the operator's text, its undo
    // history and its caret stay the operator's.
    return m_messages.queueForStationProgram(text);
}

void RemoteControl::stopMorse()
{
    m_messages.Stop_button_Click();
}

void RemoteControl::dropQueuedMorse()
{
    m_messages.dropQueue();
}

bool RemoteControl::keying() const
{
    return m_messages.keying();
}

bool RemoteControl::keyingStationMessages() const
{
    return m_messages.keyingStationMessage();
}

QString RemoteControl::model() const
{
    return m_context.state.Model;
}
