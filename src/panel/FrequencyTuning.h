#pragma once

class Panel;

// The Frequency frame: Up and Down in the chosen step, the display that sends
// every frequency it shows, and the step options.
class FrequencyTuning
{
public:
    explicit FrequencyTuning(Panel &panel) : m_panel(panel) {}

    void Frequency_display_Change();
    void Step_Option_Click(int Index);

private:
    Panel &m_panel;
};
