#include "RigProtocol.h"

#include "protocol/CommandProtocol.h"
#include "protocol/SpeedGrid.h"

#include <QList>

#include <cmath>
#include <utility>

namespace {

enum class Op
{
    GetFreq,
    SetFreq,
    GetMode,
    SetMode,
    GetVfo,
    SetVfo,
    GetLevel,
    SetLevel,
    GetPtt,
    GetSplitVfo,
    SendMorse,
    StopMorse,
    ChkVfo,
    DumpState,
    GetPowerstat,
    GetLockMode,
    Quit
};

// The commands the panel answers, by their one-letter and long names. A
// long name is written after a backslash ("\set_freq"); the extended answer
// begins with it. kRestOfLine: the text up to the end of the line.
constexpr int kRestOfLine = -1;
struct CommandEntry
{
    char letter;
    const char *name;
    int arguments;
    Op op;
};
constexpr CommandEntry kCommands[] = {
    {'f', "get_freq", 0, Op::GetFreq},
    {'F', "set_freq", 1, Op::SetFreq},
    {'m', "get_mode", 0, Op::GetMode},
    {'M', "set_mode", 2, Op::SetMode},
    {'v', "get_vfo", 0, Op::GetVfo},
    {'V', "set_vfo", 1, Op::SetVfo},
    {'l', "get_level", 1, Op::GetLevel},
    {'L', "set_level", 2, Op::SetLevel},
    {'t', "get_ptt", 0, Op::GetPtt},
    {'s', "get_split_vfo", 0, Op::GetSplitVfo},
    {'b', "send_morse", kRestOfLine, Op::SendMorse},
    {0, "stop_morse", 0, Op::StopMorse},
    {0, "chk_vfo", 0, Op::ChkVfo},
    {0, "dump_state", 0, Op::DumpState},
    {0, "get_powerstat", 0, Op::GetPowerstat},
    {0, "get_lock_mode", 0, Op::GetLockMode},
    {'q', nullptr, 0, Op::Quit},
    {'Q', nullptr, 0, Op::Quit},
};

// The four power options, MIN to MAX, spread over Hamlib's 0.0 .. 1.0.
constexpr int kHighestPower = 3;

struct Answer
{
    int code = RigResult::Ok;
    // Key and value of each record of a reading; the key is left out of
    // the plain answer (and of every get_level answer).
    QList<std::pair<QByteArray, QByteArray>> records;
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

// A change that goes to the transmitter: refused with the port closed, so
// that nothing is shown or stored that the transmitter does not have.
template <typename Change> Answer sent(RigTarget &target, Change change)
{
    if (!target.portOpen())
        return result(RigResult::IoError);
    change();
    return {};
}

Answer run(Op op, const QList<QByteArray> &args, RigTarget &target)
{
    switch (op) {
    case Op::GetFreq:
        if (const std::optional<qint64> hz = target.frequency())
            return {RigResult::Ok, {{"Frequency", QByteArray::number(*hz)}}};
        return result(RigResult::InvalidParameter); // the stored text spells no number
    case Op::SetFreq: {
        // Hamlib sends "500100.000000": a whole number of hertz that fits the
        // six digits of "=F", or nothing is changed.
        const std::optional<double> hz = number(args[0]);
        if (!hz || *hz < 0 || *hz > 1e9 || *hz != std::floor(*hz) ||
            !Command::fitsField(Command::Frequency, qint64(*hz)))
            return result(RigResult::InvalidParameter);
        return sent(target, [&] { target.setFrequency(qint64(*hz)); });
    }
    case Op::GetMode:
        return {RigResult::Ok, {{"Mode", "CW"}, {"Passband", "0"}}};
    case Op::SetMode:
        return result(args[0] == "CW" && number(args[1]) ? RigResult::Ok
                                                         : RigResult::InvalidParameter);
    case Op::GetVfo:
        return {RigResult::Ok, {{"VFO", "VFOA"}}};
    case Op::SetVfo:
        return result(args[0] == "VFOA" || args[0] == "currVFO" ? RigResult::Ok
                                                                : RigResult::InvalidVfo);
    case Op::GetLevel:
        if (args[0] == "KEYSPD") {
            const std::optional<qint64> tenths = target.speed();
            if (!tenths)
                return result(RigResult::InvalidParameter);
            return {RigResult::Ok, {{"", QByteArray::number(qRound64(*tenths / 10.0))}}};
        }
        if (args[0] == "RFPOWER") {
            const std::optional<qint64> index = target.power();
            if (!index || *index < 0 || *index > kHighestPower)
                return result(RigResult::InvalidParameter);
            return {RigResult::Ok,
                    {{"", QByteArray::number(double(*index) / kHighestPower, 'f', 6)}}};
        }
        return result(RigResult::InvalidParameter);
    case Op::SetLevel: {
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
    case Op::GetPtt:
        return {RigResult::Ok, {{"PTT", "0"}}};
    case Op::GetSplitVfo:
        return {RigResult::Ok, {{"Split", "0"}, {"TX VFO", "VFOA"}}};
    case Op::SendMorse: {
        const QString text = QString::fromUtf8(args[0]);
        if (text.isEmpty() || text.size() > target.messageLimit())
            return result(RigResult::InvalidParameter);
        return sent(target, [&] { target.sendMorse(text); });
    }
    case Op::StopMorse:
        return sent(target, [&] { target.stopMorse(); });
    case Op::ChkVfo:
        return {RigResult::Ok, {{"ChkVFO", "0"}}};
    case Op::DumpState:
        return {RigResult::Ok, {{"", RigConversation::rigDescription()}}};
    case Op::GetPowerstat:
        return {RigResult::Ok, {{"Power Status", "1"}}};
    case Op::GetLockMode:
        return {RigResult::Ok, {{"Locked", "0"}}};
    case Op::Quit:
        break;
    }
    return {};
}

// The answer in rigctld's forms. Plain: a reading's values one per line, a
// change's "RPRT n". Extended: the long name and the arguments as received,
// each record as "Key: value", then "RPRT n", separated by `separator`.
QByteArray format(const CommandEntry &entry, const QList<QByteArray> &args, const Answer &answer,
                  char separator)
{
    const bool reading = !answer.records.isEmpty();
    QByteArray out;
    if (entry.op == Op::ChkVfo) // rigctld's own form: the record alone
        return separator ? "ChkVFO: 0\n" : "0\n";
    if (!separator) {
        if (answer.code != RigResult::Ok || !reading)
            return "RPRT " + QByteArray::number(answer.code) + '\n';
        for (const auto &[key, value] : answer.records)
            out += value + (entry.op == Op::DumpState ? "" : "\n");
        // A client sets the lock mode only after reading it with its result.
        return entry.op == Op::GetLockMode ? out + "RPRT 0\n" : out;
    }
    out = QByteArray(entry.name) + ':';
    for (const QByteArray &arg : args)
        out +=
            (entry.op == Op::SendMorse ? "  " : " ") + arg; // rigctld: two blanks before the text
    out += separator;
    for (const auto &[key, value] : answer.records) {
        if (entry.op == Op::DumpState)
            out += value;
        else
            out += (key.isEmpty() || entry.op == Op::GetLevel ? value : key + ": " + value) +
                   separator;
    }
    return out + "RPRT " + QByteArray::number(answer.code) + '\n';
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
        if (entry->op == Op::Quit) {
            m_ended = true;
            return answers + "RPRT 0\n";
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
            complete ? run(entry->op, args, m_target) : result(RigResult::InvalidParameter);
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
