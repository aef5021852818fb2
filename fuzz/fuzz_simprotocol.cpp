// The simulator's side of the serial line, where any bytes can arrive (line
// noise, a wrong baud rate, another program on the port): the lines must not
// depend on how the bytes were split into reads, memory stays bounded,
// escaping for the log is exact, and every line the panel may send is read
// as the value the panel meant.

#include "protocol/CommandProtocol.h"
#include "SimProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "simulator protocol property broken: %s\n", what);
    std::abort();
}

QByteArrayList marked(const QList<SimProtocol::LineSplitter::Line> &lines)
{
    QByteArrayList out;
    for (const auto &line : lines)
        out << line.bytes + (line.overlong ? "\x01+" : "");
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const int maxLine = fdp.ConsumeIntegralInRange(1, 64);
    const int chunk = fdp.ConsumeIntegralInRange(1, 17);
    const std::string raw = fdp.ConsumeRemainingBytesAsString();
    const QByteArray stream(raw.data(), qsizetype(raw.size()));

    SimProtocol::LineSplitter whole(maxLine), pieces(maxLine);
    const QList<SimProtocol::LineSplitter::Line> lines = whole.feed(stream);
    QList<SimProtocol::LineSplitter::Line> pieceLines;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        pieceLines += pieces.feed(stream.mid(at, chunk));
        if (pieces.pending().size() > maxLine)
            fail("a line waiting for its CR grew beyond the bound");
    }
    if (marked(lines) != marked(pieceLines) || whole.pending() != pieces.pending())
        fail("the lines depend on how the bytes were split");
    for (const auto &line : lines) {
        if (line.bytes.size() > maxLine || line.bytes.contains('\r') || line.bytes.contains('\n'))
            fail("a line holds a line end or exceeds the bound");
        if (SimProtocol::parseLine(line.bytes).meaning.isEmpty())
            fail("a line without a meaning for the log");
    }
    if (SimProtocol::unescapeBytes(SimProtocol::escapeBytes(stream)) != stream)
        fail("escaping does not come back to the bytes");
    (void)SimProtocol::unescapeBytes(QString::fromLatin1(stream));

    // Every value a command carries, as the panel writes it, is read as that value.
    const int value = stream.isEmpty() ? 0 : static_cast<uchar>(stream.front()) * 3907 % 1000000;
    for (const auto &[word, width, range] : {std::tuple{Command::Frequency, 6, 1000000},
                                             {Command::Speed, 3, 1000},
                                             {Command::Power, 1, 4},
                                             {Command::Power, 3, 4},
                                             {Command::Keyer, 1, 4},
                                             {Command::Keyer, 3, 4}}) {
        const SimProtocol::ParsedLine c = SimProtocol::parseLine(
            QByteArray(word) + CommandField(value % range, width).toLatin1());
        if (c.kind == SimProtocol::CommandKind::NotUnderstood || c.value != value % range)
            fail("the simulator reads a panel line as another value");
    }
    return 0;
}
