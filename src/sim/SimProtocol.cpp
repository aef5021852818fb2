#include "SimProtocol.h"

#include "protocol/AnsiText.h"
#include "protocol/CommandProtocol.h"
#include "protocol/DisplayText.h"

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

QString hexByte(uchar byte)
{
    return QStringLiteral("\\x") +
           QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString escapedControl(uchar byte)
{
    switch (byte) {
    case '\r':
        return QStringLiteral("\\r");
    case '\n':
        return QStringLiteral("\\n");
    case '\t':
        return QStringLiteral("\\t");
    case '\0':
        return QStringLiteral("\\0");
    default:
        return hexByte(byte);
    }
}

int hexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

SimProtocol::ParsedLine notUnderstood(const QString &why)
{
    SimProtocol::ParsedLine command;
    command.meaning = QStringLiteral("not understood: ") + why;
    return command;
}

// A number field as the panel writes it: an optional sign position (a blank,
// or '-' for a negative value) and at least one digit, at most maxWidth
// characters in all; the panel never writes a wider field, so a wider one
// points to a fault at the sending end. On failure why says what is wrong.
std::optional<int> parseField(const QByteArray &field, int maxWidth, QString *why)
{
    if (field.isEmpty()) {
        *why = QStringLiteral("value missing");
        return std::nullopt;
    }
    if (field.size() > maxWidth) {
        *why = QStringLiteral("value field longer than %1 characters").arg(maxWidth);
        return std::nullopt;
    }
    qsizetype digitsFrom = 0;
    bool negative = false;
    if (field.at(0) == ' ' || field.at(0) == '-') {
        negative = field.at(0) == '-';
        digitsFrom = 1;
    }
    if (digitsFrom == field.size()) {
        *why = QStringLiteral("value has no digits");
        return std::nullopt;
    }
    // The panel writes a number without leading zeros; "=F000000" is what is
    // left of 1000000 Hz cut to the field's six characters, not 0 Hz.
    if (field.at(digitsFrom) == '0' && field.size() > digitsFrom + 1) {
        *why = QStringLiteral("value with a leading zero (a number cut to its field)");
        return std::nullopt;
    }
    int value = 0;
    for (qsizetype i = digitsFrom; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c < '0' || c > '9') {
            *why = QStringLiteral("value is not a whole number");
            return std::nullopt;
        }
        value = value * 10 + (c - '0'); // at most 6 digits: no overflow
    }
    if (negative && value != 0) {
        *why = QStringLiteral("negative value");
        return std::nullopt;
    }
    return value;
}

SimProtocol::ParsedLine parseNumberCommand(const QByteArray &line, const CommandWord &word)
{
    using SimProtocol::CommandKind;
    const char letter = line.at(1);
    const QByteArray field = line.mid(2);
    QString why;
    const std::optional<int> value = parseField(field, word.widest, &why);
    if (!value)
        return notUnderstood(QStringLiteral("=%1 %2").arg(QString(QLatin1Char(letter)), why));

    SimProtocol::ParsedLine command;
    command.value = *value;
    switch (letter) {
    case 'F':
        command.kind = CommandKind::Frequency;
        command.meaning = QStringLiteral("frequency ") + SimProtocol::frequencyText(*value);
        return command;
    case 'S':
        command.kind = CommandKind::Speed;
        command.meaning = QStringLiteral("speed %1 wpm").arg(SimProtocol::speedText(*value));
        return command;
    case 'P':
        if (SimProtocol::powerText(*value).isEmpty())
            return notUnderstood(QStringLiteral("=P power index %1 outside 0 to 3").arg(*value));
        command.kind = CommandKind::Power;
        command.meaning = QStringLiteral("power ") + SimProtocol::powerText(*value);
        return command;
    default: // 'K'
        if (SimProtocol::keyerText(*value).isEmpty())
            return notUnderstood(QStringLiteral("=K keyer index %1 outside 0 to 3").arg(*value));
        command.kind = CommandKind::Keyer;
        command.meaning = QStringLiteral("keyer ") + SimProtocol::keyerText(*value);
        return command;
    }
}

} // namespace

namespace SimProtocol {

QString escapeBytes(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<uchar>(c);
        if (byte == '\\' || byte == '"')
            text.append(QLatin1Char('\\')).append(QLatin1Char(c));
        else if (byte >= 0x20 && byte < 0x7F)
            text.append(QLatin1Char(c));
        else
            text.append(escapedControl(byte));
    }
    return text;
}

std::optional<QByteArray> unescapeBytes(const QString &text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\')) {
            const QByteArray encoded = AnsiText::encode(QString(c));
            if (encoded == "?" && c != QLatin1Char('?'))
                return std::nullopt;
            bytes.append(encoded);
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text.at(i).unicode()) {
        case 'r':
            bytes.append('\r');
            break;
        case 'n':
            bytes.append('\n');
            break;
        case 't':
            bytes.append('\t');
            break;
        case '0':
            bytes.append('\0');
            break;
        case '\\':
            bytes.append('\\');
            break;
        case '"':
            bytes.append('"');
            break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && i + 1 < text.size() && hexDigit(text.at(i + 1)) >= 0) {
                value = value * 16 + hexDigit(text.at(++i));
                ++digits;
            }
            if (digits == 0)
                return std::nullopt;
            bytes.append(static_cast<char>(value));
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return bytes;
}

LineSplitter::LineSplitter(int maxLineBytes) : m_maxLineBytes(qMax(1, maxLineBytes)) {}

QList<LineSplitter::Line> LineSplitter::feed(const QByteArray &data)
{
    QList<Line> lines;
    for (char c : data) {
        if (c == kLf)
            continue;
        if (c == kCr) {
            if (!m_discarding)
                lines.append({m_pending, false});
            m_pending.clear();
            m_discarding = false;
            continue;
        }
        if (m_discarding)
            continue;
        m_pending.append(c);
        if (m_pending.size() >= m_maxLineBytes) {
            lines.append({m_pending, true});
            m_pending.clear();
            m_discarding = true;
        }
    }
    return lines;
}

ParsedLine parseLine(const QByteArray &line)
{
    if (line.isEmpty())
        return notUnderstood(QStringLiteral("empty line"));

    if (line == Command::StartKeying.word)
        return {CommandKind::StartKeying, 0, {}, QStringLiteral("start keying")};
    if (line == Command::StopKeying.word)
        return {CommandKind::StopKeying, 0, {}, QStringLiteral("stop keying")};
    if (line == Command::Information.word)
        return {CommandKind::InfoQuery, 0, {}, QStringLiteral("information query")};
    if (line.startsWith(Command::Message.word)) {
        const QByteArray message = line.mid(2);
        return {CommandKind::Message, 0, message,
                QStringLiteral("message '%1'").arg(messageText(message))};
    }
    for (const CommandWord *command : Command::kValueCommands) {
        if (line.startsWith(command->word))
            return parseNumberCommand(line, *command);
    }
    if (line.startsWith("=B") || line.startsWith("?I"))
        return notUnderstood(QStringLiteral("unknown command (=BT, =B0 and ?I take no value)"));
    return notUnderstood(QStringLiteral("unknown command"));
}

QString frequencyText(int hertz)
{
    return DisplayText::frequency(hertz) + QStringLiteral(" kHz");
}

QString speedText(int tenths)
{
    return DisplayText::speed(tenths);
}

QString powerText(int index)
{
    static const char *const kNames[] = {"MIN", "LOW", "HIGH", "MAX"};
    return index >= 0 && index < 4 ? QString::fromLatin1(kNames[index]) : QString();
}

QString keyerText(int index)
{
    static const char *const kNames[] = {"Dot Priority", "Iambic A", "Iambic B", "Straight"};
    return index >= 0 && index < 4 ? QString::fromLatin1(kNames[index]) : QString();
}

QString messageText(const QByteArray &message)
{
    const QString decoded = AnsiText::decode(message);
    QString text;
    text.reserve(decoded.size());
    for (QChar c : decoded) {
        const char16_t u = c.unicode();
        if (u == '\\')
            text.append(QStringLiteral("\\\\"));
        else if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            text.append(escapedControl(static_cast<uchar>(u)));
        else
            text.append(c);
    }
    return text;
}

} // namespace SimProtocol
