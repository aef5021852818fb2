#pragma once

#include <QtGlobal>

class HandlerContext;

// The Frequency frame: Up and Down in the chosen step, the display that sends
// every frequency it shows, and the step options.
class FrequencyTuning
{
public:
    explicit FrequencyTuning(HandlerContext &context) : m_context(context) {}

    void up_Button_Click();
    void down_Button_Click();
    void Frequency_display_Change();
    void Step_Option_Click(int Index);
    // Shows `hz`, whose display handler stores and sends it, as a step does;
    // false, and nothing changed, for one the transmitter cannot be tuned to.
    bool setFrequency(qint64 hz);

private:
    void tune(int direction);

    HandlerContext &m_context;
};
