#pragma once

#include <QByteArray>
#include <QString>

// Empty when every line on the wire is one the panel may send: a known command
// ending in CR and, for "=F", "=S", "=P", "=K", a value the command carries,
// written whole in one of its field forms; else the first bad line and why.
QString wireProblem(const QByteArray &wire);
