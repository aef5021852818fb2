// Number texts: what the settings file delivers becomes a number, and a
// number becomes the text of a settings entry or a command field. Whatever the
// text, parsing must not fail, a number must survive its way to text and
// back, and a value that a command is allowed to carry must reach the wire
// whole: a field cut to its width would tune or key the transmitter to a value
// nobody chose.

#include "link/CommandProtocol.h"
#include "panel/NumberText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "number text property broken: %s\n", what);
    std::abort();
}

constexpr qint64 kLargestParsed = 999999999999999999; // 18 digits

void checkSignedText(qint64 value)
{
    const QString text = NumberText::signedText(value);
    if (text.size() < 2 || (text.front() != u' ' && text.front() != u'-'))
        fail("signed text without its sign position");
    if ((value < 0) != (text.front() == u'-'))
        fail("sign position does not match the sign");
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text.at(i) < u'0' || text.at(i) > u'9')
            fail("signed text holds a character other than a digit");
    }
    if (text.size() > 2 && text.at(1) == u'0')
        fail("signed text with a leading zero");
    const Number back = NumberText::parse(text);
    const bool fits = value >= -kLargestParsed && value <= kLargestParsed;
    if (fits ? back != Number(value) : back.has_value())
        fail("a number does not survive its text");

    struct Field
    {
        const char *word;
        int width;
    };
    // Every width a field of each command is written with.
    for (const Field &f : {Field{Command::Frequency, Command::FrequencyWidth},
                           Field{Command::Speed, Command::SpeedWidth}, Field{Command::Power, 1},
                           Field{Command::Power, 3}, Field{Command::Keyer, 1}}) {
        const QString field = CommandField(value, f.width);
        if (field.size() > f.width)
            fail("a command field wider than its width");
        if (field != text.right(f.width))
            fail("a command field is not the right end of the number text");
        if (Command::carries(f.word, value) && NumberText::parse(field) != Number(value))
            fail("a value a command carries does not reach the wire whole");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    checkSignedText(fdp.ConsumeIntegral<qint64>());
    const std::string bytes = fdp.ConsumeRemainingBytesAsString();

    // The text as the settings file delivers it (one byte per character), and
    // as any text the program may hold.
    for (const QString &text : {QString::fromLatin1(bytes.data(), qsizetype(bytes.size())),
                                QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))}) {
        const Number parsed = NumberText::parse(text);
        if (!parsed)
            continue;
        if (*parsed < -kLargestParsed || *parsed > kLargestParsed)
            fail("parsed a number with more digits than allowed");
        checkSignedText(*parsed);
        // The number a text begins with is the number of the text cut behind
        // its digits: trailing text is ignored, never part of the value.
        const QString again = text + QStringLiteral("x1");
        if (NumberText::parse(again) != parsed)
            fail("trailing text changed the number");
    }
    return 0;
}
