#include "Morse.h"

#include "AnsiText.h"

namespace {

struct Symbol
{
    char character;
    const char *code;
};

// International Morse: letters, digits and the punctuation an operator is
// likely to type into a CW message.
constexpr Symbol kSymbols[] = {
    {'A', ".-"},     {'B', "-..."},   {'C', "-.-."},    {'D', "-.."},    {'E', "."},
    {'F', "..-."},   {'G', "--."},    {'H', "...."},    {'I', ".."},     {'J', ".---"},
    {'K', "-.-"},    {'L', ".-.."},   {'M', "--"},      {'N', "-."},     {'O', "---"},
    {'P', ".--."},   {'Q', "--.-"},   {'R', ".-."},     {'S', "..."},    {'T', "-"},
    {'U', "..-"},    {'V', "...-"},   {'W', ".--"},     {'X', "-..-"},   {'Y', "-.--"},
    {'Z', "--.."},   {'0', "-----"},  {'1', ".----"},   {'2', "..---"},  {'3', "...--"},
    {'4', "....-"},  {'5', "....."},  {'6', "-...."},   {'7', "--..."},  {'8', "---.."},
    {'9', "----."},  {'.', ".-.-.-"}, {',', "--..--"},  {'?', "..--.."}, {'\'', ".----."},
    {'!', "-.-.--"}, {'/', "-..-."},  {'(', "-.--."},   {')', "-.--.-"}, {'&', ".-..."},
    {':', "---..."}, {';', "-.-.-."}, {'=', "-...-"},   {'+', ".-.-."},  {'-', "-....-"},
    {'_', "..--.-"}, {'"', ".-..-."}, {'$', "...-..-"}, {'@', ".--.-."},
};

bool isWordGap(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Length of one character: its elements plus the one-unit gaps between them.
qint64 characterUnits(const QString &code)
{
    qint64 units = code.size() - 1;
    for (QChar element : code)
        units += element == QLatin1Char('-') ? 3 : 1;
    return units;
}

} // namespace

namespace Morse {

QString code(QChar c)
{
    const QChar upper = c.toUpper();
    if (upper.unicode() > 0x7F)
        return {};
    for (const Symbol &symbol : kSymbols) {
        if (symbol.character == upper.toLatin1())
            return QString::fromLatin1(symbol.code);
    }
    return {};
}

Timing timing(const QString &text)
{
    Timing result;
    bool gapPending = false; // a blank was seen since the last keyed character
    for (QChar c : text) {
        if (isWordGap(c)) {
            gapPending = true;
            continue;
        }
        const QString dotsAndDashes = code(c);
        if (dotsAndDashes.isEmpty()) {
            result.skipped.append(c);
            continue;
        }
        if (result.keyedCharacters > 0)
            result.units += gapPending ? 7 : 3;
        result.units += characterUnits(dotsAndDashes);
        ++result.keyedCharacters;
        gapPending = false;
    }
    return result;
}

qint64 durationMs(qint64 units, int speedTenths)
{
    if (speedTenths <= 0)
        return -1;
    return (units * 12000 + speedTenths / 2) / speedTenths;
}

std::optional<qint64> keyingMs(const QString &text, qint64 speedTenths)
{
    // What the transmitter keys: the text after the code page, where a
    // character outside it has become '?', which has Morse.
    const Timing keyed = timing(AnsiText::decode(AnsiText::encode(text)));
    if (keyed.keyedCharacters == 0 || speedTenths <= 0)
        return std::nullopt;
    return durationMs(keyed.units, int(speedTenths));
}

} // namespace Morse
