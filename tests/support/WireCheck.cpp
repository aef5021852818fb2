#include "WireCheck.h"

#include "link/CommandProtocol.h"
#include "panel/NumberText.h"

#include <QList>

namespace {

struct FieldRule
{
    const char *word;
    QList<int> widths; // 0: the whole signed text, uncut
};

const FieldRule kRules[] = {
    {Command::Frequency, {Command::FrequencyWidth}},
    {Command::Speed, {Command::SpeedWidth}},
    {Command::Power, {1, 3}},
    {Command::Keyer, {1, 0}},
};

QString numberProblem(const FieldRule &rule, const QByteArray &field)
{
    const Number value = NumberText::parse(QString::fromLatin1(field));
    if (!value)
        return QStringLiteral("no number");
    if (!Command::carries(rule.word, *value))
        return QStringLiteral("value %1 outside the command's range").arg(*value);
    for (int width : rule.widths) {
        const QString whole =
            width == 0 ? NumberText::signedText(*value) : CommandField(*value, width);
        if (whole.toLatin1() == field)
            return QString();
    }
    return QStringLiteral("field is not the value %1 written whole").arg(*value);
}

} // namespace

QString wireProblem(const QByteArray &wire)
{
    if (wire.isEmpty())
        return QString();
    if (!wire.endsWith('\r'))
        return QStringLiteral("the wire ends inside a line");
    const QList<QByteArray> lines = wire.chopped(1).split('\r');
    for (const QByteArray &line : lines) {
        const QString shown = QString::fromLatin1(line);
        if (line == "=BT" || line == "=B0" || line == "?I" || line.startsWith("=M"))
            continue;
        bool known = false;
        for (const FieldRule &rule : kRules) {
            if (!line.startsWith(rule.word))
                continue;
            known = true;
            const QString problem = numberProblem(rule, line.mid(qstrlen(rule.word)));
            if (!problem.isEmpty())
                return shown + QStringLiteral(": ") + problem;
        }
        if (!known)
            return shown + QStringLiteral(": unknown command");
    }
    return QString();
}
