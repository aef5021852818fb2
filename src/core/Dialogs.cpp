#include "Dialogs.h"

qsizetype fittingLength(const QString &text, const std::function<bool(qsizetype length)> &fits)
{
    if (fits(text.size()))
        return text.size();
    qsizetype shown = 0, tooLong = text.size();
    while (tooLong - shown > 1) {
        const qsizetype middle = shown + (tooLong - shown) / 2;
        (fits(middle) ? shown : tooLong) = middle;
    }
    return shown;
}
