#include "WireCheck.h"

#include "link/CommandProtocol.h"
#include "panel/NumberText.h"

#include <QList>

QString wireProblem(const QByteArray &wire)
{
    // Each command's field forms; width 0 is the whole signed text, uncut.
    const std::pair<const char *, QList<int>> rules[] = {
        {Command::Frequency, {Command::FrequencyWidth}},
        {Command::Speed, {Command::SpeedWidth}},
        {Command::Power, {1, 3}},
        {Command::Keyer, {1, 0}}};
    if (!wire.isEmpty() && !wire.endsWith('\r'))
        return QStringLiteral("the wire ends inside a line");
    for (const QByteArray &line :
         wire.isEmpty() ? QList<QByteArray>() : wire.chopped(1).split('\r')) {
        const QString shown = QString::fromLatin1(line) + QStringLiteral(": ");
        if (line == "=BT" || line == "=B0" || line == "?I" || line.startsWith("=M"))
            continue;
        const auto rule = std::find_if(std::begin(rules), std::end(rules),
                                       [&](const auto &r) { return line.startsWith(r.first); });
        if (rule == std::end(rules))
            return shown + QStringLiteral("unknown command");
        const QByteArray field = line.mid(qstrlen(rule->first));
        const Number value = NumberText::parse(QString::fromLatin1(field));
        if (!value)
            return shown + QStringLiteral("no number");
        if (!Command::carries(rule->first, *value))
            return shown + QStringLiteral("value %1 outside the command's range").arg(*value);
        if (std::none_of(rule->second.begin(), rule->second.end(), [&](int width) {
                return (width == 0 ? NumberText::signedText(*value) : CommandField(*value, width))
                           .toLatin1() == field;
            }))
            return shown + QStringLiteral("field is not the value %1 written whole").arg(*value);
    }
    return QString();
}
