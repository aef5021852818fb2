#pragma once

#include "session/SessionState.h"

#include <QList>

#include <array>

class Dialogs;
struct CommandWord;
class DisplayLabel;
class QAction;
class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QWidget;
class TransmitterLink;

// The controls of the main window that the handlers read and set.
struct PanelControls
{
    QWidget *window = nullptr;
    DisplayLabel *Frequency_display = nullptr;
    DisplayLabel *CW_speed_display = nullptr;
    QButtonGroup *Step_Option = nullptr;     // ids are the indexes 0..3
    QButtonGroup *Power_Option = nullptr;    // ids are the indexes 0..3
    std::array<QAction *, 2> modelEntries{}; // by ModelId: menu_VAKO_ALDER, menu_VAKO_BIRCH
    QList<QAction *> menu_Keyer;             // indexes 0..3
    QList<QAction *> menuCom;                // index 0 the placeholder, then Com1..Com100
    QAction *menuCloseComPort = nullptr;
    QLabel *Status = nullptr;
    QPlainTextEdit *Message_Text = nullptr;
};

// What every handler of the main window works on: the session, the line to the
// transmitter, the operator's dialogs and the window's controls.
class HandlerContext
{
public:
    HandlerContext(Session &session, TransmitterLink &link, Dialogs &dialogs,
                   PanelControls controls);

    Session &session;
    SessionState &state;
    TransmitterLink &link;
    Dialogs &dialogs;
    PanelControls ui;

    // Brings the window in line with the session state. Display captions and
    // option selections run their own handlers at once, nested in here, which
    // send every value whose shown form changed.
    void RefreshPanel();

    // A live value the operator changed: copied into the selected model's
    // profile and sent with its command, when the port is open and the
    // command's field carries it.
    void storeAndSend(Number ModelProfile::*field, const CommandWord &command);

    // Selects option `index` of a group, running its handler when the
    // selection changes; an index outside 0..3 (or none) shows no option.
    static void selectOption(QButtonGroup *group, Number index);
    // Checks the entry `index` of a menu array and unchecks every other.
    static void checkOnly(const QList<QAction *> &entries, Number index);
};
