#pragma once

#include <QtGlobal>

// A broken property aborts, so libFuzzer stops and keeps the input that broke it.
inline void check(bool holds, const char *property)
{
    if (!holds)
        qFatal("property broken: %s", property);
}
