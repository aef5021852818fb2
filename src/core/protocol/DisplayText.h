#pragma once

#include <QString>

namespace DisplayText {

// A frequency in whole hertz shown in kHz with three decimals: 500000 gives
// "500.000", 99999 gives "99.999", 1000000 gives "1000.000".
QString frequency(qint64 hertz);

// A speed in tenths of a word per minute, shown in wpm in its shortest form
// with a leading zero before a fraction and "." as the decimal point on every
// system: 200 gives "20", 95 gives "9.5", 5 gives "0.5".
QString speed(qint64 tenths);

} // namespace DisplayText
