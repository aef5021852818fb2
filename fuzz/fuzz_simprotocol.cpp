// The simulator's serial side takes any bytes (noise, a wrong baud rate, another program): lines
// do not depend on how reads split the bytes, memory stays bounded, log escaping is exact, and
// every line the panel may send reads as the value it meant.

#include "FuzzCheck.h"
#include "SimProtocol.h"
#include "protocol/CommandProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace SimProtocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int maxLine = in.ConsumeIntegralInRange(1, 64), chunk = in.ConsumeIntegralInRange(1, 17);
    const QByteArray stream = QByteArray::fromStdString(in.ConsumeRemainingBytesAsString());

    LineSplitter whole(maxLine), pieces(maxLine);
    QList<LineSplitter::Line> lines = whole.feed(stream), pieceLines;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        pieceLines += pieces.feed(stream.mid(at, chunk));
        check(pieces.pending().size() <= maxLine, "a line waiting for its CR outgrew the bound");
    }
    check(lines.size() == pieceLines.size() && whole.pending() == pieces.pending(),
          "the lines depend on how the bytes were split");
    // The lines from the stream itself: each stretch up to a CR, its LFs left out, cut once it
    // holds maxLine bytes (an overlong line), the rest of the stretch dropped.
    QList<QByteArray> stretches = QByteArray(stream).replace("\n", "").split('\r');
    const QByteArray last = stretches.takeLast();
    if (last.size() >= maxLine)
        stretches << last;
    check(lines.size() == stretches.size() &&
              whole.pending() == (last.size() < maxLine ? last : ""),
          "a line does not end at a CR, or an overlong one is not cut at the bound");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i].bytes;
        check(line == pieceLines[i].bytes && lines[i].overlong == pieceLines[i].overlong,
              "the lines depend on how the bytes were split");
        check(line == stretches[i].left(maxLine) &&
                  lines[i].overlong == (stretches[i].size() >= maxLine),
              "a line does not end at a CR, or an overlong one is not cut at the bound");
        check(!parseLine(line).meaning.isEmpty(), "a line without a meaning for the log");
    }
    check(unescapeBytes(escapeBytes(stream)) == stream, "escaping does not come back to the bytes");
    (void)unescapeBytes(QString::fromLatin1(stream));

    // Every value a command carries, as the panel writes it, is read as that value.
    const int value = stream.isEmpty() ? 0 : static_cast<uchar>(stream.front()) * 3907 % 1000000;
    constexpr std::tuple<const char *, int, int> kFields[] = {
        {Command::Frequency.word, 6, 1000000}, {Command::Speed.word, 3, 1000},
        {Command::Power.word, 1, 4},           {Command::Power.word, 3, 4},
        {Command::Keyer.word, 1, 4},           {Command::Keyer.word, 3, 4},
    };
    for (const auto &[word, width, range] : kFields) {
        const auto c = parseLine(QByteArray(word) + CommandField(value % range, width).toLatin1());
        check(c.kind != CommandKind::NotUnderstood && c.value == value % range, "a value misread");
    }
    return 0;
}
