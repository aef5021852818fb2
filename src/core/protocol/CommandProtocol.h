#pragma once

#include <QString>

// The command lines the transmitter understands: a command word, for some a
// value field, and one carriage return. There is no acknowledgement, no
// checksum and no framing beyond the carriage return.
namespace Command {

inline constexpr char Frequency[] = "=F"; // CommandField(Frequency, 6), whole Hz
inline constexpr char Speed[] = "=S";     // CommandField(CW_speed, 3), tenths of wpm
inline constexpr char Power[] = "=P";     // power index 0..3
inline constexpr char Keyer[] = "=K";     // keyer mode index 0..3
inline constexpr char Message[] = "=M";   // the message text itself
inline constexpr char StartKeying[] = "=BT";
inline constexpr char StopKeying[] = "=B0"; // the last character is the digit zero
inline constexpr char Information[] = "?I";

inline constexpr int FrequencyWidth = 6;
inline constexpr int SpeedWidth = 3;

// Whether a value is one the command's field carries truly: a frequency the
// six-character field holds whole (0..999999 Hz), a speed the three-character
// field holds (0..999 tenths), an index 0..3 for power and keyer mode. A value
// outside its range is never sent: cutting it to the field would tune or key
// the transmitter to something nobody chose.
bool fitsField(const char *word, qint64 value);

} // namespace Command

// A value as its command field: the value with its sign position (a blank for
// zero and positive values, "-" for negative ones), cut to its rightmost
// `width` characters. 99999 at width 6 gives " 99999"; 5 at width 3 gives " 5".
QString CommandField(qint64 value, int width);
