#pragma once

#include "panel/SessionState.h"

#include <optional>

// The values of save number k: every one of the fourteen entries depends on
// k, and most change their length now and then, so a file that mixes two
// saves or ends early does not pass for either.
inline void setSaveState(Session &s, qint64 k)
{
    s.state.Model = k % 2 ? QStringLiteral("ALDER") : QStringLiteral("BIRCH");
    s.state.Keyer_Type = k % 4;
    s.profiles[0] = {136000 + k, k % 4, 10 + k % 990, (k + 1) % 4, 1200 * (1 + k % 96), k % 101};
    s.profiles[1] = {500000 + k, (k + 2) % 4, 5 + k % 995, (k + 3) % 4, 300 + 7 * k, (k + 7) % 101};
}

// The save number a session's values were made from; nullopt when they were
// not made by setSaveState.
inline std::optional<qint64> saveNumberOf(const Session &s)
{
    const Number frequency = s.profiles[0].Frequency;
    if (!frequency || *frequency < 136000)
        return std::nullopt;
    Session expected;
    setSaveState(expected, *frequency - 136000);
    for (std::size_t m = 0; m < 2; ++m) {
        const ModelProfile &a = s.profiles[m];
        const ModelProfile &b = expected.profiles[m];
        if (a.Frequency != b.Frequency || a.Step != b.Step || a.CW_speed != b.CW_speed ||
            a.Power != b.Power || a.BaudRate != b.BaudRate || a.Portnumber != b.Portnumber)
            return std::nullopt;
    }
    if (s.state.Model != expected.state.Model || s.state.Keyer_Type != expected.state.Keyer_Type)
        return std::nullopt;
    return *frequency - 136000;
}
