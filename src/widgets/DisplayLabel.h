#pragma once

#include <QLabel>

// A display label whose caption the program sets. Every change of the caption
// is announced at once, synchronously, before setCaption returns, so that the
// value shown goes to the transmitter inside the code that changed it; a
// caption set to the text it already shows announces nothing. A screen reader
// is told of the new value too: the operator may not see the display.
class DisplayLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    void setCaption(const QString &caption)
    {
        if (caption == text())
            return;
        setText(caption);
        nameForScreenReaders();
        Q_EMIT captionChanged();
    }

    // Named by what it shows and its value, so a screen reader says
    // "Transmit frequency in kHz: 500.100"; every new name is announced.
    void nameForScreenReaders()
    {
        setAccessibleName(accessibleDescription() + QStringLiteral(": ") + text());
    }

Q_SIGNALS:
    void captionChanged();
};
