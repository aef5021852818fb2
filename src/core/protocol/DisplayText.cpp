#include "protocol/DisplayText.h"

namespace {

QString scaled(qint64 value, quint64 divisor, int decimals)
{
    const quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : value;
    const quint64 whole = magnitude / divisor;
    const quint64 fraction = magnitude % divisor;
    QString text = value < 0 ? QStringLiteral("-") : QString();
    text += QString::number(whole);
    if (decimals > 0)
        text += u'.' + QStringLiteral("%1").arg(fraction, decimals, 10, QLatin1Char('0'));
    return text;
}

} // namespace

namespace DisplayText {

QString frequency(qint64 hertz)
{
    return scaled(hertz, 1000, 3);
}

QString speed(qint64 tenths)
{
    const bool whole = tenths % 10 == 0;
    return scaled(tenths, 10, whole ? 0 : 1);
}

} // namespace DisplayText
