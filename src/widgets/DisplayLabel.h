#pragma once

#include <QLabel>

// A display label whose caption the program sets. Every change of the caption
// is announced at once, synchronously, before setCaption returns, so that the
// value shown goes to the transmitter inside the code that changed it; a
// caption set to the text it already shows announces nothing.
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
        Q_EMIT captionChanged();
    }

Q_SIGNALS:
    void captionChanged();
};
