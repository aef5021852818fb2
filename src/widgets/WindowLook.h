#pragma once

#include <QSize>

class QGroupBox;
class QMainWindow;
class QWidget;

namespace Ui {
class main_Form;
}

// The windows were drawn in the Windows fonts of their day ("MS Sans Serif",
// "Courier New"). Where they are missing, the metric-compatible Liberation
// families stand in, so every caption still fits its box; where the system
// has the original families, they are used.
void installFontSubstitutes();

// The toolkit's style for every window, without the costs the panel has no
// use for.
void installPanelStyle();

// The program's icon for every window it opens. At once in the sizes a
// title bar and a task bar draw (16 to 64 pixels); the large ones an
// application switcher draws (128 and 256) once `window` has painted. Decoding
// those two and handing them to the display took as long as building half
// the form, before the window could map.
void installPanelIcon(QWidget *window);

// A frame carries its caption on its top border, as the operator's Windows
// panels always drew them, so the positions of the controls inside it hold;
// it hides whatever frame lies beneath it. The option buttons in it are the
// 13-pixel boxes of the form: their round indicators are drawn 13 pixels
// wide, whole, where the style's own would be cut at the box's edge.
void applyFrameLook(QGroupBox *frame);

// The main window's look beyond its Designer form: the displays' large bold
// figures, the frames, the message box's font, the fixed size.
void applyPanelLook(QMainWindow *window, Ui::main_Form &ui);

// Centres a window on its screen: its left edge at (screen width - width) / 2,
// its top at (screen height - height) / 2, `size` being the outer size for
// the main window and the client size for the baud-rate dialog.
void centreOnScreen(QWidget *window, QSize size);
