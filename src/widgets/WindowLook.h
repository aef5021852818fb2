#pragma once

#include <QFont>
#include <QGroupBox>
#include <QScreen>

// The windows were drawn in the Windows fonts of their day ("MS Sans Serif",
// "Courier New"). Where they are missing, the metric-compatible Liberation
// families stand in, so every caption still fits its box; where the system
// has the original families, they are used.
inline void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

// A frame carries its caption on its top border, as the operator's Windows
// panels always drew them, so the positions of the controls inside it hold;
// it hides whatever frame lies beneath it. The option buttons in it are the
// 13-pixel boxes of the form: their round indicators are drawn 13 pixels
// wide, whole, where the style's own would be cut at the box's edge.
inline void applyFrameLook(QGroupBox *frame)
{
    frame->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 6px; background: palette(window); "
        "}"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"
        "QRadioButton::indicator { width: 13px; height: 13px; }"));
}

// Centres a window on its screen: its left edge at (screen width - width) / 2,
// its top at (screen height - height) / 2, `size` being the outer size for
// the main window and the client size for the baud-rate dialog.
inline void centreOnScreen(QWidget *window, QSize size)
{
    if (const QScreen *screen = window->screen()) {
        const QRect area = screen->geometry();
        window->move((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
    }
}
