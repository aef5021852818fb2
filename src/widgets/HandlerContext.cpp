#include "HandlerContext.h"

#include "Dialogs.h"
#include "DisplayLabel.h"
#include "protocol/DisplayText.h"
#include "serial/TransmitterLink.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>

HandlerContext::HandlerContext(Session &session, TransmitterLink &link, Dialogs &dialogs,
                               PanelControls controls)
    : session(session), state(session.state), link(link), dialogs(dialogs), ui(std::move(controls))
{
}

void HandlerContext::RefreshPanel()
{
    ui.window->setWindowTitle(QStringLiteral("VAKO ") + state.Model);

    // A value that spells no number (an empty or garbled settings entry) shows
    // nothing rather than a made-up figure; its handler then sends nothing.
    ui.Frequency_display->setCaption(state.Frequency ? DisplayText::frequency(*state.Frequency)
                                                     : QString());
    selectOption(ui.Step_Option, state.Step);
    selectOption(ui.Power_Option, state.Power);
    ui.CW_speed_display->setCaption(state.CW_speed ? DisplayText::speed(*state.CW_speed)
                                                   : QString());

    const int model = Session::modelIndex(state.Model);
    if (model < 0) {
        dialogs.message(QStringLiteral("Unknown VAKO Model"));
    } else {
        for (std::size_t i = 0; i < ui.modelEntries.size(); ++i)
            ui.modelEntries[i]->setChecked(static_cast<int>(i) == model);
    }

    checkOnly(ui.menu_Keyer, state.Keyer_Type);
}

void HandlerContext::storeAndSend(Number ModelProfile::*field, const CommandWord &command)
{
    session.copyToProfile(field, state.*field);
    // The live value, never a display's text.
    link.sendValue(command, state.*field);
}

void HandlerContext::selectOption(QButtonGroup *group, Number index)
{
    QAbstractButton *button = index ? group->button(static_cast<int>(*index)) : nullptr;
    if (button) {
        button->setChecked(true);
        return;
    }
    // Out of range: no option stays selected. An exclusive group refuses to
    // uncheck its last button, so lift the exclusivity for the moment.
    if (QAbstractButton *checked = group->checkedButton()) {
        group->setExclusive(false);
        checked->setChecked(false);
        group->setExclusive(true);
    }
}

void HandlerContext::checkOnly(const QList<QAction *> &entries, Number index)
{
    for (qsizetype i = 0; i < entries.size(); ++i)
        entries[i]->setChecked(index && *index == i);
}
