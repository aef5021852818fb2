#include "protocol/NumberText.h"

namespace NumberText {

Number parse(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    int digits = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        if (digits == 18)
            return std::nullopt; // too large for any field the panel knows
        value = value * 10 + (text[i].unicode() - u'0');
        ++digits;
        ++i;
    }
    if (digits == 0)
        return std::nullopt;
    return negative ? -value : value;
}

QString signedText(qint64 value)
{
    // Computed on the magnitude so that the most negative value still prints.
    const quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : value;
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + QString::number(magnitude);
}

} // namespace NumberText
