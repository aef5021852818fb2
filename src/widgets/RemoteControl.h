#pragma once

#include "remote/RigTarget.h"

class FrequencyTuning;
class HandlerContext;
class KeyingControls;
class MessageTransmission;

// The panel as station programs see it through the network port. Every
// change runs the code an operator's click runs: the display shows it, the
// profile stores it, the line goes out.
class RemoteControl : public RigTarget
{
public:
    RemoteControl(HandlerContext &context, FrequencyTuning &tuning, KeyingControls &keying,
                  MessageTransmission &messages)
        : m_context(context), m_tuning(tuning), m_keying(keying), m_messages(messages)
    {
    }

    bool portOpen() const override;
    std::optional<qint64> frequency() const override;
    bool setFrequency(qint64 hz) override;
    std::optional<qint64> speed() const override;
    void setSpeed(qint64 tenths) override;
    std::optional<qint64> power() const override;
    void setPower(int index) override;
    int messageLimit() const override;
    bool sendMorse(const QString &text) override;
    void stopMorse() override;
    void dropQueuedMorse() override;
    bool keying() const override;
    bool keyingStationMessages() const override;
    QString model() const override;

private:
    HandlerContext &m_context;
    FrequencyTuning &m_tuning;
    KeyingControls &m_keying;
    MessageTransmission &m_messages;
};
