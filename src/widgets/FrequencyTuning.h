#pragma once

#include <QtGlobal>

#include <optional>

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
    // Shows `hz`, whose display handler stores and sends it, as a step does.
    void setFrequency(qint64 hz);

    // The step size of a step index: 1 Hz, 10 Hz, 100 Hz, 1 kHz for 0..3;
    // nullopt for any other index.
    static std::optional<qint64> stepSize(std::optional<qint64> step);

private:
    void tune(int direction);

    HandlerContext &m_context;
};
