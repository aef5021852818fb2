// The simulator's side of the serial line: any bytes can arrive there (line
// noise, a wrong baud rate, a different program on the port). Cutting them
// into lines and reading each line must not fail, must not depend on how the
// bytes were split into reads, must keep memory bounded, and must agree with
// the panel on every value the panel is allowed to send.

#include "link/CommandProtocol.h"
#include "sim/SimProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "simulator protocol property broken: %s\n", what);
    std::abort();
}

bool sameLines(const QList<SimProtocol::LineSplitter::Line> &a,
               const QList<SimProtocol::LineSplitter::Line> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].bytes != b[i].bytes || a[i].overlong != b[i].overlong)
            return false;
    }
    return true;
}

// The line the panel writes for a value the command carries, without its CR.
QByteArray panelLine(const char *word, int value, int width)
{
    return QByteArray(word) + CommandField(value, width).toLatin1();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const int maxLine = fdp.ConsumeIntegralInRange(1, 64);
    const int chunk = fdp.ConsumeIntegralInRange(1, 17);
    const std::string raw = fdp.ConsumeRemainingBytesAsString();
    const QByteArray stream(raw.data(), qsizetype(raw.size()));

    SimProtocol::LineSplitter whole(maxLine);
    const QList<SimProtocol::LineSplitter::Line> lines = whole.feed(stream);
    SimProtocol::LineSplitter pieces(maxLine);
    QList<SimProtocol::LineSplitter::Line> pieceLines;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        pieceLines += pieces.feed(stream.mid(at, chunk));
        if (pieces.pending().size() > maxLine)
            fail("a line waiting for its CR grew beyond the bound");
    }
    if (!sameLines(lines, pieceLines) || whole.pending() != pieces.pending())
        fail("the lines depend on how the bytes were split");

    for (const auto &line : lines) {
        if (line.bytes.size() > maxLine || line.bytes.contains('\r') || line.bytes.contains('\n'))
            fail("a line holds a line end or exceeds the bound");
        const SimProtocol::Command command = SimProtocol::parseLine(line.bytes);
        if (command.meaning.isEmpty())
            fail("a line without a meaning for the log");
        // What the simulator logs can be given back to it: escaping is exact.
        const QString escaped = SimProtocol::escapeBytes(line.bytes);
        if (SimProtocol::unescapeBytes(escaped) != std::optional<QByteArray>(line.bytes))
            fail("escaping does not come back to the bytes");
    }

    // Escaping is exact for any bytes, not only lines.
    if (SimProtocol::unescapeBytes(SimProtocol::escapeBytes(stream)) !=
        std::optional<QByteArray>(stream))
        fail("escaping does not come back to the stream");
    (void)SimProtocol::unescapeBytes(QString::fromLatin1(stream));

    // Every value the panel may send is understood as that value.
    const int value = stream.isEmpty() ? 0 : static_cast<uchar>(stream.front()) * 3907 % 1000000;
    struct Field
    {
        const char *word;
        int width;
        SimProtocol::CommandKind kind;
    };
    for (const Field &f : {Field{Command::Frequency, 6, SimProtocol::CommandKind::Frequency},
                           Field{Command::Speed, 3, SimProtocol::CommandKind::Speed},
                           Field{Command::Power, 1, SimProtocol::CommandKind::Power},
                           Field{Command::Power, 3, SimProtocol::CommandKind::Power},
                           Field{Command::Keyer, 1, SimProtocol::CommandKind::Keyer},
                           Field{Command::Keyer, 3, SimProtocol::CommandKind::Keyer}}) {
        const int v = value % (f.kind == SimProtocol::CommandKind::Frequency ? 1000000
                               : f.kind == SimProtocol::CommandKind::Speed   ? 1000
                                                                             : 4);
        if (!Command::carries(f.word, v))
            continue;
        const SimProtocol::Command c = SimProtocol::parseLine(panelLine(f.word, v, f.width));
        if (c.kind != f.kind || c.value != v)
            fail("the simulator reads a panel line as another value");
    }
    return 0;
}
