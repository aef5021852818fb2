#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Values restored from the settings file arrive as text; everything that
// computes with them takes "the number that the text begins with".
using Number = std::optional<qint64>;

namespace NumberText {

// The whole number a text begins with: leading blanks, an optional sign, then
// decimal digits; whatever follows the digits ("12abc", "1.5") is ignored.
// A text that spells no number (empty, blanks only, "abc", "-") or whose digits
// do not fit 18 places gives nullopt, so callers can tell it apart from 0.
Number parse(QStringView text);

// The one form in which a number becomes text for the settings file and the
// command fields: one sign position (a blank for zero and positive numbers,
// "-" for negative ones) followed by the decimal digits, no grouping.
QString signedText(qint64 value);

} // namespace NumberText
