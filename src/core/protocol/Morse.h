#pragma once

#include <QString>

#include <optional>

// Morse code and the PARIS timing of a keyed text.
//
// One unit is the length of a dot; at a speed of W words per minute a unit
// lasts 1200 / W ms, because the word "PARIS" followed by a word gap is
// exactly 50 units and W of them fill a minute. A dash is 3 units, the gap
// between the elements of one character 1, between characters 3 and between
// words 7.
//
// A keyed text lasts from the first element's start to the last element's
// end: leading and trailing blanks add nothing (the transmitter is silent
// before and after anyway), and a run of blanks between words is one word gap.
// So "PARIS" keys in 43 units, and "PARIS PARIS" in 43 + 7 + 43 = 93, i.e.
// 50 units per word of a running text.
//
// Letters are taken without regard to case. A character without Morse (for
// example '~', '#', 'é' or a control character) is not keyed and takes no
// time: it is skipped as if it were not there, and reported.
namespace Morse {

// The dots and dashes of c, e.g. ".-" for 'A'; empty when c has no Morse.
QString code(QChar c);

struct Timing
{
    qint64 units = 0;        // first element start to last element end
    int keyedCharacters = 0; // characters that have Morse
    QString skipped;         // characters without Morse, in text order
};

Timing timing(const QString &text);

// Milliseconds that units last at a speed given in tenths of a word per minute
// (the unit of the "=S" field), rounded to the nearest millisecond: a unit is
// 12000 / tenths ms. A speed of zero or less has no duration: -1.
qint64 durationMs(qint64 units, int speedTenths);

// How long the transmitter keys `text` as it received it (in its code page)
// at a speed in tenths of a word per minute; nullopt when it keys nothing: no
// character of the text has Morse, or the speed is zero or less. The
// transmitter simulator keys for this long, and the panel tells station
// programs that its message is being keyed for this long.
std::optional<qint64> keyingMs(const QString &text, qint64 speedTenths);

} // namespace Morse
