#include "RigProtocol.h"

#include "protocol/CommandProtocol.h"
#include "protocol/SpeedGrid.h"

#include <QList>

#include <cmath>
#include <utility>

namespace {

// The four power options, MIN to MAX, spread over Hamlib's 0.0 .. 1.0.
constexpr int kHighestPower = 3;

struct Answer
{
    int code = RigResult::Ok;
    QList<QByteArray> values; // one per record the command's answer form names
};

using Arguments = QList<QByteArray>;
using Handler = Answer (*)(RigTarget &, const Arguments &);

// How rigctld lays out a command's answer.
enum class Form
{
    Records,          // plain: the values, one a line ("RPRT n" for a change or a refusal);
                      // extended: "Key: value" for each record (the value alone for an
                      // unnamed one), then "RPRT n"
    RecordsAndResult, // as Records, and the plain form ends with "RPRT 0" as well: a
                      // client sets the lock mode only after reading it with its result
    RecordAlone,      // the record and nothing else, plain or extended (chk_vfo)
    Block,            // one text of whole lines, without a line end added (dump_state)
    Ends,             // "RPRT 0", then the conversation is over (quit)
};

// kRestOfLine: the one argument is the text up to the end of the line.
constexpr int kRestOfLine = -1;

// One command of Hamlib's network rig protocol: its one-letter name (0: none)
// and long name (written after a backslash, "\set_freq"; the extended answer
// begins with it), its arguments, what it does, and its answer: the form and
// the keys of the records a reading gives ('|' between them; an empty key is an
// unnamed record).
struct CommandEntry
{
    char letter;
    const char *name;
    int arguments;
    Handler handler;
    Form form;
    const char *keys;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::optional<double> number(const QByteArray &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

Answer result(int code)
{
    return Answer{code, {}};
}

Answer reading(QList<QByteArray> values)
{
    return Answer{RigResult::Ok, std::move(values)};
}

// A change that goes to the transmitter: refused with the port closed, so
// that nothing is shown or stored that the transmitter does not have.
template <typename Change> Answer sent(RigTarget &target, Change change)
{
    if (!target.portOpen())
        return result(RigResult::IoError);
    change();
    return {};
}

Answer getFreq(RigTarget &target, const Arguments &)
{
    if (const std::optional<qint64> hz = target.frequency())
        return reading({QByteArray::number(*hz)});
    return result(RigResult::InvalidParameter); // the stored text spells no number
}

Answer setFreq(RigTarget &target, const Arguments &args)
{
    // Hamlib sends "500100.000000": a whole number of hertz that fits the
    // six digits of "=F", or nothing is changed.
    const std::optional<double> hz = number(args[0]);
    if (!hz || *hz < 0 || *hz > 1e9 || *hz != std::floor(*hz) ||
        !Command::fitsField(Command::Frequency, qint64(*hz)))
        return result(RigResult::InvalidParameter);
    return sent(target, [&] { target.setFrequency(qint64(*hz)); });
}

Answer getMode(RigTarget &, const Arguments &)
{
    return reading({"CW", "0"});
}

Answer setMode(RigTarget &, const Arguments &args)
{
    return result(args[0] == "CW" && number(args[1]) ? RigResult::Ok : RigResult::InvalidParameter);
}

Answer getVfo(RigTarget &, const Arguments &)
{
    return reading({"VFOA"});
}

Answer setVfo(RigTarget &, const Arguments &args)
{
    return result(args[0] == "VFOA" || args[0] == "currVFO" ? RigResult::Ok
                                                            : RigResult::InvalidVfo);
}

Answer getLevel(RigTarget &target, const Arguments &args)
{
    if (args[0] == "KEYSPD") {
        const std::optional<qint64> tenths = target.speed();
        if (!tenths)
            return result(RigResult::InvalidParameter);
        return reading({QByteArray::number(qRound64(*tenths / 10.0))});
    }
    if (args[0] == "RFPOWER") {
        const std::optional<qint64> index = target.power();
        if (!index || *index < 0 || *index > kHighestPower)
            return result(RigResult::InvalidParameter);
        return reading({QByteArray::number(double(*index) / kHighestPower, 'f', 6)});
    }
    return result(RigResult::InvalidParameter);
}

Answer setLevel(RigTarget &target, const Arguments &args)
{
    const std::optional<double> value = number(args[1]);
    if (args[0] == "KEYSPD") {
        // Hamlib's speed is in wpm: onto the buttons' grid, in tenths.
        if (!value || *value < 0 || *value > SpeedGrid::kFastest)
            return result(RigResult::InvalidParameter);
        const qint64 tenths = SpeedGrid::nearest(qRound64(*value * 10));
        if (tenths < SpeedGrid::kSlowest || tenths > SpeedGrid::kFastest)
            return result(RigResult::InvalidParameter);
        return sent(target, [&] { target.setSpeed(tenths); });
    }
    if (args[0] == "RFPOWER") {
        if (!value || *value < 0 || *value > 1)
            return result(RigResult::InvalidParameter);
        return sent(target, [&] { target.setPower(qRound(*value * kHighestPower)); });
    }
    return result(RigResult::NotAvailable);
}

Answer getPtt(RigTarget &, const Arguments &)
{
    return reading({"0"});
}

Answer getSplitVfo(RigTarget &, const Arguments &)
{
    return reading({"0", "VFOA"});
}

Answer sendMorse(RigTarget &target, const Arguments &args)
{
    const QString text = QString::fromUtf8(args[0]);
    if (text.isEmpty() || text.size() > target.messageLimit())
        return result(RigResult::InvalidParameter);
    return sent(target, [&] { target.sendMorse(text); });
}

Answer stopMorse(RigTarget &target, const Arguments &)
{
    return sent(target, [&] { target.stopMorse(); });
}

Answer none(RigTarget &, const Arguments &)
{
    return reading({"0"});
}

Answer one(RigTarget &, const Arguments &)
{
    return reading({"1"});
}

Answer dumpState(RigTarget &, const Arguments &)
{
    return reading({RigConversation::rigDescription()});
}

Answer quit(RigTarget &, const Arguments &)
{
    return {};
}

constexpr CommandEntry kCommands[] = {
    {'f', "get_freq", 0, getFreq, Form::Records, "Frequency"},
    {'F', "set_freq", 1, setFreq, Form::Records, ""},
    {'m', "get_mode", 0, getMode, Form::Records, "Mode|Passband"},
    {'M', "set_mode", 2, setMode, Form::Records, ""},
    {'v', "get_vfo", 0, getVfo, Form::Records, "VFO"},
    {'V', "set_vfo", 1, setVfo, Form::Records, ""},
    {'l', "get_level", 1, getLevel, Form::Records, ""},
    {'L', "set_level", 2, setLevel, Form::Records, ""},
    {'t', "get_ptt", 0, getPtt, Form::Records, "PTT"},
    {'s', "get_split_vfo", 0, getSplitVfo, Form::Records, "Split|TX VFO"},
    {'b', "send_morse", kRestOfLine, sendMorse, Form::Records, ""},
    {0, "stop_morse", 0, stopMorse, Form::Records, ""},
    {0, "chk_vfo", 0, none, Form::RecordAlone, "ChkVFO"},
    {0, "dump_state", 0, dumpState, Form::Block, ""},
    {0, "get_powerstat", 0, one, Form::Records, "Power Status"},
    {0, "get_lock_mode", 0, none, Form::RecordsAndResult, "Locked"},
    {'q', nullptr, 0, quit, Form::Ends, ""},
    {'Q', nullptr, 0, quit, Form::Ends, ""},
};

// The answer in the entry's form. Extended: the long name and the arguments
// as received (the text of a rest-of-line argument after two blanks, as
// rigctld writes it), the records, then "RPRT n", separated by `separator`.
QByteArray format(const CommandEntry &entry, const Arguments &args, const Answer &answer,
                  char separator)
{
    const QByteArray result = "RPRT " + QByteArray::number(answer.code) + '\n';
    if (entry.form == Form::Ends || (answer.code != RigResult::Ok && !separator))
        return result;
    const QList<QByteArray> keys = QByteArray(entry.keys).split('|');
    const char end = separator ? separator : '\n';
    QByteArray records;
    for (qsizetype i = 0; i < answer.values.size(); ++i) {
        const QByteArray key = separator ? keys.value(i) : QByteArray();
        records += (key.isEmpty() ? answer.values[i] : key + ": " + answer.values[i]) +
                   (entry.form == Form::Block ? "" : QByteArray(1, end));
    }
    if (entry.form == Form::RecordAlone)
        return records.chopped(1) + '\n';
    if (!separator)
        return answer.values.isEmpty() || entry.form == Form::RecordsAndResult ? records + result
                                                                               : records;
    QByteArray out = QByteArray(entry.name) + ':';
    for (const QByteArray &arg : args)
        out += (entry.arguments == kRestOfLine ? "  " : " ") + arg;
    return out + separator + records + result;
}

const CommandEntry *find(QByteArrayView name)
{
    for (const CommandEntry &entry : kCommands) {
        if (name.size() == 1 ? entry.letter && name[0] == entry.letter
                             : entry.name && name == entry.name)
            return &entry;
    }
    return nullptr;
}

} // namespace

QByteArray RigConversation::take(QByteArrayView bytes)
{
    QByteArray answers;
    for (const char c : bytes) {
        if (m_ended)
            break;
        if (c != '\n') {
            m_pending += c;
            if (m_pending.size() > kLongestLine) {
                m_ended = true;
                answers += "RPRT " + QByteArray::number(RigResult::ProtocolError) + '\n';
            }
            continue;
        }
        answers += answerLine(m_pending);
        m_pending.clear();
    }
    return answers;
}

QByteArray RigConversation::answerLine(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    QByteArray answers;
    char separator = 0; // plain until a prefix asks for the extended form
    qsizetype at = 0;
    const auto word = [&] { // from `at` to the next blank
        const qsizetype start = at;
        while (at < line.size() && !isBlank(line[at]))
            ++at;
        return line.mid(start, at - start);
    };
    const auto token = [&] {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        return word();
    };
    while (at < line.size() && !m_ended) {
        const char c = line[at];
        if (isBlank(c)) {
            ++at;
            continue;
        }
        if (c == '+' || c == ';' || c == '|' || c == ',') {
            separator = c == '+' ? '\n' : c;
            ++at;
            continue;
        }
        QByteArray name = line.mid(at++, 1);
        if (c == '\\')
            name = word();
        const CommandEntry *entry = find(name);
        if (!entry || (c == '\\' && name.size() == 1)) {
            separator = 0;
            continue; // as rigctld: no answer to what it does not know
        }
        if (entry->form == Form::Ends) {
            m_ended = true;
            return answers + format(*entry, {}, {}, separator);
        }
        QList<QByteArray> args;
        if (entry->arguments == kRestOfLine) {
            args << line.mid(at).trimmed();
            at = line.size();
        }
        for (int n = 0; n < entry->arguments; ++n)
            args << token();
        const bool complete = !args.contains(QByteArray());
        const Answer answer =
            complete ? entry->handler(m_target, args) : result(RigResult::InvalidParameter);
        answers += format(*entry, args, answer, separator);
        separator = 0; // a prefix holds for one command
    }
    return answers;
}

QByteArray RigConversation::rigDescription()
{
    // Hamlib's rig description, format 1: receive and transmit ranges
    // (0 to 999999 Hz, CW = 0x2, VFOA = 0x1, one antenna), a 1 Hz tuning
    // step, no filters, no RIT, XIT, IF shift, preamplifier or attenuator,
    // then the function, level and parameter masks: KEYSPD (0x4000) and
    // RFPOWER (0x1000) read and set. targetable_vfo spares the client its
    // VFO swapping at every connection.
    return "1\n2\n0\n"
           "0.000000 999999.000000 0x2 -1 -1 0x1 0x1\n0 0 0 0 0 0 0\n"
           "0.000000 999999.000000 0x2 -1 -1 0x1 0x1\n0 0 0 0 0 0 0\n"
           "0x2 1\n0 0\n"
           "0 0\n"
           "0\n0\n0\n0\n\n\n"
           "0x0\n0x0\n0x5000\n0x5000\n0x0\n0x0\n"
           "targetable_vfo=0x1\nhas_set_vfo=1\nhas_get_vfo=1\nhas_set_freq=1\nhas_get_freq=1\n"
           "done\n";
}
