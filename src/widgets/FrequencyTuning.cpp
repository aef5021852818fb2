#include "FrequencyTuning.h"

#include "Dialogs.h"
#include "DisplayLabel.h"
#include "HandlerContext.h"
#include "protocol/CommandProtocol.h"
#include "protocol/DisplayText.h"

namespace {

// The step size of a step index: 1 Hz, 10 Hz, 100 Hz, 1 kHz for 0..3;
// nullopt for any other index.
std::optional<qint64> stepSize(std::optional<qint64> step)
{
    static constexpr qint64 sizes[] = {1, 10, 100, 1000};
    if (!step || *step < 0 || *step > 3)
        return std::nullopt;
    return sizes[*step];
}

} // namespace

void FrequencyTuning::up_Button_Click()
{
    tune(+1);
}

void FrequencyTuning::down_Button_Click()
{
    tune(-1);
}

void FrequencyTuning::tune(int direction)
{
    SessionState &state = m_context.state;

    // A step index outside the table can only come from a hand-edited settings
    // file; the operator is told on every click and the frequency stays put.
    const std::optional<qint64> size = stepSize(state.Step);
    if (!size) {
        m_context.dialogs.message(QStringLiteral("Invalid Step"));
        return;
    }
    const qint64 delta = *size * direction;

    // A frequency whose settings text spells no number has nothing to step from.
    if (!state.Frequency)
        return;

    setFrequency(*state.Frequency + delta);
}

bool FrequencyTuning::setFrequency(qint64 hz)
{
    // The "=F" field holds six digits. A frequency past 999999 Hz or below
    // 0 Hz would reach the transmitter cut to one nobody chose, so the
    // buttons stop there, as the speed buttons stop at their limits, and a
    // station program's is refused.
    if (!Command::Frequency.carries(hz))
        return false;
    m_context.state.Frequency = hz;
    // The display's change handler stores and sends the new frequency; an
    // unchanged text (a step size of 0) sends nothing again.
    m_context.ui.Frequency_display->setCaption(DisplayText::frequency(hz));
    return true;
}

void FrequencyTuning::Frequency_display_Change()
{
    m_context.storeAndSend(&ModelProfile::Frequency, Command::Frequency);
}

void FrequencyTuning::Step_Option_Click(int Index)
{
    m_context.state.Step = Index;
    m_context.session.copyToProfile(&ModelProfile::Step, m_context.state.Step);
}
