#pragma once

#include "RigResult.h"
#include "RigTarget.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>

// The commands of Hamlib's network rig protocol that the panel knows, one
// row each: how a client names it, what it takes, what it does and what its
// answer holds. RigConversation reads the lines; this table answers them.

using RigArguments = QList<QByteArray>;

// What a command's handler gives back: the result code, the values of the
// records a reading names, and whether the client is answered only once the
// keying is over (\wait_morse).
struct RigAnswer
{
    int code = RigResult::Ok;
    QList<QByteArray> values;
    bool afterKeying = false;
};

// How a row's answer differs from the common form. The common form, plain:
// the values, one a line, or "RPRT n" for a change or a refusal; extended:
// the long name and the arguments, "Key: value" for each record, "RPRT n".
namespace RigFlag {
constexpr unsigned RestOfLine = 1;         // its one argument is the text to the line's end
constexpr unsigned ResultAfterRecords = 2; // the plain form ends with "RPRT 0" too: a client
                                           // sets the lock mode only after reading it so
constexpr unsigned RecordOnly = 4;         // the record and nothing else, in either form
constexpr unsigned Block = 8; // one text of whole lines, no line end added (dump_state)
constexpr unsigned Ends = 16; // "RPRT 0", then the conversation is over (quit)
} // namespace RigFlag

struct RigCommand
{
    char letter;      // 0: only the long name
    const char *name; // written after a backslash, "\set_freq"; null for quit's letters
    RigAnswer (*handler)(RigTarget &, const RigArguments &);
    std::array<const char *, 3> arguments; // their names as Hamlib gives them, in order
    std::array<const char *, 5> records;   // the keys of a reading's records; "" unnamed
    unsigned flags;

    int argumentCount() const;
    bool has(unsigned flag) const { return (flags & flag) != 0; }
};

// The row a command's letter or long name (without its backslash) names.
const RigCommand *findRigCommand(QByteArrayView name);

// The answer in the row's form; `separator` 0 for the plain form, else the
// extended form's separator ('\n' after '+', or the prefix itself).
QByteArray formatRigAnswer(const RigCommand &command, const RigArguments &args,
                           const RigAnswer &answer, char separator);
