#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The transmitter's side of the command protocol: cutting the received byte
// stream into command lines, and telling what each line means.
//
// A command line is a command word, for "=F", "=S", "=P", "=K" and "=M" a value
// field, and one carriage return. The panel writes the number fields with a
// sign position: a blank before the digits ("=S 50", "=P 2", "=K 2") unless the
// field was cut to its width ("=F500100", "=S200", "=P2").

namespace SimProtocol {

// Bytes as they read in a log: printable ASCII as it is; CR, LF, TAB and NUL
// as \r, \n, \t, \0; every other byte as \xHH (upper-case hex); the backslash
// and the double quote escaped (\\, \") so the text can stand in quotes.
QString escapeBytes(const QByteArray &bytes);

// The reverse, for texts given on the command line: the escapes above (\xHH
// with one or two hex digits), any other character as its Windows-1252 byte.
// nullopt for an unknown escape or a character Windows-1252 lacks.
std::optional<QByteArray> unescapeBytes(const QString &text);

// Cuts a byte stream into lines at each CR. A line may arrive in pieces and
// waits for its CR; LF bytes are dropped wherever they are, so a sender that
// ends lines with CR LF works too (a line ended by LF alone is not ended).
//
// A line is bounded: when maxLineBytes bytes have collected without a CR,
// they come out as one overlong line and the rest, up to the next CR, is
// dropped, so a stream without CRs cannot grow memory.
class LineSplitter
{
public:
    struct Line
    {
        QByteArray bytes;      // without the CR
        bool overlong = false; // the first maxLineBytes bytes of a longer line
    };

    explicit LineSplitter(int maxLineBytes = 4096);

    QList<Line> feed(const QByteArray &data);

    // Bytes of the line still waiting for its CR.
    QByteArray pending() const { return m_pending; }

private:
    QByteArray m_pending;
    int m_maxLineBytes;
    bool m_discarding = false; // inside the tail of an overlong line
};

enum class CommandKind
{
    NotUnderstood,
    Frequency,   // "=F": whole Hz
    Speed,       // "=S": tenths of a word per minute
    Power,       // "=P": 0 MIN, 1 LOW, 2 HIGH, 3 MAX
    Keyer,       // "=K": 0 Dot Priority, 1 Iambic A, 2 Iambic B, 3 Straight
    Message,     // "=M": the text to key
    StartKeying, // "=BT"
    StopKeying,  // "=B0"
    InfoQuery,   // "?I"
};

struct ParsedLine
{
    CommandKind kind = CommandKind::NotUnderstood;
    int value = 0;      // the number of "=F", "=S", "=P", "=K"
    QByteArray message; // the text of "=M", Windows-1252 bytes
    QString meaning;    // "frequency 500.100 kHz", "not understood: ..."
};

// line: one command line without its CR (as LineSplitter gives it).
ParsedLine parseLine(const QByteArray &line);

// "500.100 kHz" for 500100 Hz.
QString frequencyText(int hertz);
// "20" for 200 tenths, "0.5" for 5, "9.5" for 95.
QString speedText(int tenths);
// "MIN", "LOW", "HIGH", "MAX"; empty for another index.
QString powerText(int index);
// "Dot Priority", "Iambic A", "Iambic B", "Straight"; empty for another index.
QString keyerText(int index);
// A message for the log: its Windows-1252 bytes as text, control characters
// and the backslash escaped as by escapeBytes().
QString messageText(const QByteArray &message);

} // namespace SimProtocol
