// The second reference the panel is measured against: a bare Qt Widgets
// program that shows one empty window of the panel's size (--first-turn and
// --smaps: see FirstTurn.h).
// With --text it also shows one caption in the panel's display font, to tell
// what drawing any text at all costs (font configuration, shaping).
#include "FirstTurn.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(417, 238);
    if (app.arguments().contains(QStringLiteral("--text"))) {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                                  QStringLiteral("Liberation Sans"));
        auto *caption = new QLabel(QStringLiteral("500.000"), &window);
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPointSizeF(13.5);
        font.setBold(true);
        caption->setFont(font);
        caption->setGeometry(16, 56, 73, 24);
    }
    window.show();
    return runToFirstTurn(app);
}
