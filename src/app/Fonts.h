#pragma once

#include <QFont>

// The window was drawn in the Windows fonts of its day ("MS Sans Serif",
// "Courier New"). Where they are missing, the metric-compatible Liberation
// families stand in, so every caption still fits its box; where the system
// has the original families, they are used.
inline void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}
