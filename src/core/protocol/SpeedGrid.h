#pragma once

#include <QtGlobal>

// The keying speeds the panel offers, in tenths of a word per minute: 0.1 wpm
// steps up to 1 wpm, whole wpm above, 0.1 to 50 wpm. The speed buttons walk
// it, and a station program's speed is put onto it.
namespace SpeedGrid {

inline constexpr qint64 kSlowest = 1;
inline constexpr qint64 kFineUpTo = 10;
inline constexpr qint64 kFastest = 500;

// The next speed up or down; at exactly 1 wpm the step down turns fine:
// 20 -> 10 -> 9.
constexpr qint64 stepUp(qint64 tenths)
{
    return tenths + (tenths < kFineUpTo ? 1 : 10);
}
constexpr qint64 stepDown(qint64 tenths)
{
    return tenths - (tenths <= kFineUpTo ? 1 : 10);
}

// The grid's speed nearest to `tenths`: above 1 wpm, the nearest whole wpm.
inline qint64 nearest(qint64 tenths)
{
    return tenths > kFineUpTo ? qRound64(tenths / 10.0) * 10 : tenths;
}

} // namespace SpeedGrid
