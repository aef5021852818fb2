#pragma once

#include <QString>

// One command line the transmitter understands: a command word, for some a
// value field, and one carriage return. There is no acknowledgement, no
// checksum and no framing beyond the carriage return. Every word, field width
// and range of the panel, its simulator and its network port is read from the
// table below and written nowhere else.
struct CommandWord
{
    const char *word;
    int width = 0;  // the value field's characters as the panel sends it; 0: no value
    int widest = 0; // the widest field the panel ever sends, so the widest the transmitter reads
    qint64 min = 0; // the values the field carries truly
    qint64 max = 0;

    // Whether a value is one the command's field carries truly. A value
    // outside its range is never sent: cutting it to the field would tune or
    // key the transmitter to something nobody chose.
    constexpr bool carries(qint64 value) const { return width > 0 && value >= min && value <= max; }
};

namespace Command {

// Whole Hz, six characters: 0 to 999999 Hz.
inline constexpr CommandWord Frequency{"=F", 6, 6, 0, 999999};
// Tenths of a word per minute, three characters.
inline constexpr CommandWord Speed{"=S", 3, 3, 0, 999};
// The power option's index, one character; the model switch sends it three
// characters wide, as the transmitter's first firmware wanted it.
inline constexpr CommandWord Power{"=P", 1, 3, 0, 3};
// The keyer mode's index, one character; the keyer menu sends it with its
// sign position.
inline constexpr CommandWord Keyer{"=K", 1, 2, 0, 3};
// The message text itself, up to the line's end.
inline constexpr CommandWord Message{"=M"};
inline constexpr CommandWord StartKeying{"=BT"};
inline constexpr CommandWord StopKeying{"=B0"}; // the last character is the digit zero
inline constexpr CommandWord Information{"?I"};

// The commands that carry a number, as the transmitter tells them apart.
inline constexpr const CommandWord *kValueCommands[] = {&Frequency, &Speed, &Power, &Keyer};

} // namespace Command

// A value as its command field: the value with its sign position (a blank for
// zero and positive values, "-" for negative ones), cut to its rightmost
// `width` characters. 99999 at width 6 gives " 99999"; 5 at width 3 gives " 5".
QString CommandField(qint64 value, int width);
