// Number texts: what the settings file delivers becomes a number, and a number
// becomes the text of a settings entry or a command field. Parsing any text
// must not fail, a number must survive its way to text and back, and a value
// a command may carry must reach the wire whole: a field cut to its width
// would tune or key the transmitter to a value nobody chose.

#include "protocol/CommandProtocol.h"
#include "protocol/NumberText.h"

#include <QRegularExpression>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "number text property broken: %s\n", what);
    std::abort();
}

void checkSignedText(qint64 value)
{
    const QString text = NumberText::signedText(value);
    static const QRegularExpression form("^( |-)(0|[1-9][0-9]*)$");
    if (!form.match(text).hasMatch() || (value < 0) != text.startsWith(u'-'))
        fail("a number text is not a sign position and digits without a leading zero");
    const bool fits = value >= -999999999999999999 && value <= 999999999999999999; // 18 digits
    if (NumberText::parse(text) != (fits ? Number(value) : Number()))
        fail("a number does not survive its text");
    for (const auto &[word, width] : {std::pair{Command::Frequency, 6},
                                      {Command::Speed, 3},
                                      {Command::Power, 1},
                                      {Command::Power, 3},
                                      {Command::Keyer, 1}}) {
        const QString field = CommandField(value, width);
        if (field != text.right(width))
            fail("a command field is not the right end of the number text");
        if (Command::fitsField(word, value) && NumberText::parse(field) != Number(value))
            fail("a value a command carries does not reach the wire whole");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    checkSignedText(fdp.ConsumeIntegral<qint64>());
    const std::string bytes = fdp.ConsumeRemainingBytesAsString();
    // The text as the settings file delivers it (a byte a character), and as UTF-8.
    for (const QString &text : {QString::fromLatin1(bytes.data(), qsizetype(bytes.size())),
                                QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))}) {
        const Number parsed = NumberText::parse(text);
        if (!parsed)
            continue;
        checkSignedText(*parsed);
        if (NumberText::parse(text + QStringLiteral("x1")) != parsed)
            fail("text after the number changed it");
    }
    return 0;
}
