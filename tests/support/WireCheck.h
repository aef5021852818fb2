#pragma once

#include <QByteArray>
#include <QString>

// Whether every line on a wire is one the panel may send: a known command
// word, a CR at the end, and for "=F", "=S", "=P", "=K" a value that the
// command carries, written whole in one of the field forms that command uses
// (never a value cut to its field). Returns the first line that is not, with
// the reason, or an empty text when all are.
QString wireProblem(const QByteArray &wire);
