// Settings texts become numbers, numbers become settings texts and command fields. Any text
// parses, a number survives its text, and a value a command may carry reaches the wire whole:
// a field cut to its width would tune or key the transmitter to a value nobody chose.

#include "FuzzCheck.h"
#include "protocol/CommandProtocol.h"
#include "protocol/NumberText.h"

#include <fuzzer/FuzzedDataProvider.h>

static void checkSignedText(qint64 value)
{
    // printf's blank flag writes the sign position as the settings file and the wire do.
    const QString written = QString::asprintf("% lld", static_cast<long long>(value));
    const QString text = NumberText::signedText(value);
    check(text == written, "a number text is not a sign position and digits");
    const bool fits = value >= -999999999999999999 && value <= 999999999999999999; // 18 digits
    check(NumberText::parse(text) == (fits ? Number(value) : Number()),
          "a number does not survive its text");
    constexpr std::pair<const CommandWord *, int> kFields[] = {
        {&Command::Frequency, 6}, {&Command::Speed, 3}, {&Command::Power, 1},
        {&Command::Power, 3},     {&Command::Keyer, 1},
    };
    for (const auto &[command, width] : kFields) {
        const QString field = CommandField(value, width);
        check(field == written.right(width), "a command field is not the number's last places");
        check(!command->carries(value) || NumberText::parse(field) == Number(value),
              "a value a command carries does not reach the wire whole");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    checkSignedText(fdp.ConsumeIntegral<qint64>());
    const QByteArray bytes = QByteArray::fromStdString(fdp.ConsumeRemainingBytesAsString());
    // The text as the settings file delivers it (a byte a character), and as UTF-8.
    for (const QString &text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        if (const Number parsed = NumberText::parse(text)) {
            checkSignedText(*parsed);
            check(NumberText::parse(text + "x1") == parsed, "text after the number changed it");
        }
    }
    return 0;
}
