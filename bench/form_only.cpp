// The floor the panel's start-up is measured against: the panel's own window
// with no logic behind it. The same Designer form, font substitution, style,
// frame look and window icon, read as the panel reads them, shown, and
// nothing else: no settings file, no port, no handler.
//
//   vako-form-only [--first-turn] [--smaps]     (see FirstTurn.h)
#include "FirstTurn.h"
#include "Platform.h"
#include "WindowLook.h"
#include "ui_main_Form.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    const Platform::FontConfigurationReader fonts;
    QApplication app(argc, argv);
    installFontSubstitutes();
    installPanelStyle();
    QMainWindow window;
    installPanelIcon(&window);
    Ui::main_Form ui;
    ui.setupUi(&window);
    applyPanelLook(&window, ui);
    window.show();
    return runToFirstTurn(app);
}
