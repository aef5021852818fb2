#include "RigProtocol.h"

#include "protocol/CommandProtocol.h"
#include "protocol/SpeedGrid.h"

#include <QList>

#include <cmath>
#include <utility>

namespace {

// The four power options, MIN to MAX, spread over Hamlib's 0.0 .. 1.0.
constexpr qint64 kHighestPower = Command::Power.max;

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

// A VFO named by a client: the transmitter's only one, as Hamlib names it.
bool isOurVfo(const QByteArray &name)
{
    return name == "VFOA" || name == "currVFO";
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
        !Command::Frequency.carries(qint64(*hz)))
        return result(RigResult::InvalidParameter);
    return sent(target, [&] { target.setFrequency(qint64(*hz)); });
}

Answer getMode(RigTarget &, const Arguments &)
{
    return reading({"CW", "0"});
}

Answer getModes(RigTarget &, const Arguments &)
{
    return reading({"CW"});
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
    return result(isOurVfo(args[0]) ? RigResult::Ok : RigResult::InvalidVfo);
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

Answer getKeying(RigTarget &target, const Arguments &)
{
    return reading({target.keying() ? "1" : "0"});
}

// RigConversation waits for the keying's end before it answers.
constexpr int kWaitForKeying = 1;

Answer waitMorse(RigTarget &target, const Arguments &)
{
    return result(target.keying() ? kWaitForKeying : RigResult::Ok);
}

// A PTT request is taken and changes nothing: the transmitter keys only the
// messages the panel sends it. A client that switches PTT around its own
// keying carries on.
Answer setPtt(RigTarget &, const Arguments &args)
{
    static const QList<QByteArray> states{"0", "1", "2", "3"}; // off, on, on (mic), on (data)
    return result(states.contains(args[0]) ? RigResult::Ok : RigResult::InvalidParameter);
}

// A switch the transmitter has in one position only: that one is taken, the
// others are not available, and what is no number is no switch position.
template <char Position> Answer onlyPosition(RigTarget &, const Arguments &args)
{
    if (args[0] == QByteArray(1, Position))
        return {};
    return result(number(args[0]) ? RigResult::NotAvailable : RigResult::InvalidParameter);
}

Answer getInfo(RigTarget &target, const Arguments &)
{
    return reading({"VAKO " + target.model().toLatin1()});
}

Answer getVfoInfo(RigTarget &target, const Arguments &args)
{
    if (!isOurVfo(args[0]))
        return result(RigResult::InvalidVfo);
    const Answer frequency = getFreq(target, args);
    if (frequency.code != RigResult::Ok)
        return frequency;
    return reading({frequency.values[0], "CW", "0", "0", "0"});
}

Answer notAvailable(RigTarget &, const Arguments &)
{
    return result(RigResult::NotAvailable);
}

Answer deprecated(RigTarget &, const Arguments &)
{
    return result(RigResult::Deprecated);
}

Answer quit(RigTarget &, const Arguments &)
{
    return {};
}

// Hamlib's command list, in its order. What the transmitter cannot do is
// "not available"; readings of it too, since no value would be true.
constexpr CommandEntry kCommands[] = {
    {'F', "set_freq", 1, setFreq, Form::Records, ""},
    {'f', "get_freq", 0, getFreq, Form::Records, "Frequency"},
    {'M', "set_mode", 2, setMode, Form::Records, ""},
    {'m', "get_mode", 0, getMode, Form::Records, "Mode|Passband"},
    {'I', "set_split_freq", 1, notAvailable, Form::Records, ""}, // one VFO: no split
    {'i', "get_split_freq", 0, notAvailable, Form::Records, ""},
    {'X', "set_split_mode", 2, notAvailable, Form::Records, ""},
    {'x', "get_split_mode", 0, notAvailable, Form::Records, ""},
    {'K', "set_split_freq_mode", 3, notAvailable, Form::Records, ""},
    {'k', "get_split_freq_mode", 0, notAvailable, Form::Records, ""},
    {'S', "set_split_vfo", 2, onlyPosition<'0'>, Form::Records, ""},
    {'s', "get_split_vfo", 0, getSplitVfo, Form::Records, "Split|TX VFO"},
    {'N', "set_ts", 1, notAvailable, Form::Records, ""},
    {'n', "get_ts", 0, notAvailable, Form::Records, ""},
    {'L', "set_level", 2, setLevel, Form::Records, ""},
    {'l', "get_level", 1, getLevel, Form::Records, ""},
    {'U', "set_func", 2, notAvailable, Form::Records, ""},
    {'u', "get_func", 1, notAvailable, Form::Records, ""},
    {'P', "set_parm", 2, notAvailable, Form::Records, ""},
    {'p', "get_parm", 1, notAvailable, Form::Records, ""},
    {'G', "vfo_op", 1, notAvailable, Form::Records, ""},
    {'g', "scan", 2, notAvailable, Form::Records, ""},
    {'A', "set_trn", 1, deprecated, Form::Records, ""},
    {'a', "get_trn", 0, deprecated, Form::Records, ""},
    {'R', "set_rptr_shift", 1, notAvailable, Form::Records, ""},
    {'r', "get_rptr_shift", 0, notAvailable, Form::Records, ""},
    {'O', "set_rptr_offs", 1, notAvailable, Form::Records, ""},
    {'o', "get_rptr_offs", 0, notAvailable, Form::Records, ""},
    {'C', "set_ctcss_tone", 1, notAvailable, Form::Records, ""},
    {'c', "get_ctcss_tone", 0, notAvailable, Form::Records, ""},
    {'D', "set_dcs_code", 1, notAvailable, Form::Records, ""},
    {'d', "get_dcs_code", 0, notAvailable, Form::Records, ""},
    {0, "set_ctcss_sql", 1, notAvailable, Form::Records, ""},
    {0, "get_ctcss_sql", 0, notAvailable, Form::Records, ""},
    {0, "set_dcs_sql", 1, notAvailable, Form::Records, ""},
    {0, "get_dcs_sql", 0, notAvailable, Form::Records, ""},
    {'V', "set_vfo", 1, setVfo, Form::Records, ""},
    {'v', "get_vfo", 0, getVfo, Form::Records, "VFO"},
    {'T', "set_ptt", 1, setPtt, Form::Records, ""},
    {'t', "get_ptt", 0, getKeying, Form::Records, "PTT"},
    {'E', "set_mem", 1, notAvailable, Form::Records, ""},
    {'e', "get_mem", 0, notAvailable, Form::Records, ""},
    {'H', "set_channel", 1, notAvailable, Form::Records, ""},
    {'h', "get_channel", 2, notAvailable, Form::Records, ""},
    {'B', "set_bank", 1, notAvailable, Form::Records, ""},
    {'_', "get_info", 0, getInfo, Form::Records, "Info"},
    {'J', "set_rit", 1, notAvailable, Form::Records, ""},
    {'j', "get_rit", 0, notAvailable, Form::Records, ""},
    {'Z', "set_xit", 1, notAvailable, Form::Records, ""},
    {'z', "get_xit", 0, notAvailable, Form::Records, ""},
    {'Y', "set_ant", 2, notAvailable, Form::Records, ""},
    {'y', "get_ant", 1, notAvailable, Form::Records, ""},
    {0, "set_powerstat", 1, onlyPosition<'1'>, Form::Records, ""},
    {0, "get_powerstat", 0, one, Form::Records, "Power Status"},
    {0, "send_dtmf", 1, notAvailable, Form::Records, ""},
    {0, "recv_dtmf", 0, notAvailable, Form::Records, ""},
    {'*', "reset", 1, notAvailable, Form::Records, ""},
    {'w', "send_cmd", 1, notAvailable, Form::Records, ""},
    {'W', "send_cmd_rx", 2, notAvailable, Form::Records, ""},
    {'b', "send_morse", kRestOfLine, sendMorse, Form::Records, ""},
    {0, "stop_morse", 0, stopMorse, Form::Records, ""},
    {0, "wait_morse", 0, waitMorse, Form::Records, ""},
    {0, "send_voice_mem", 1, notAvailable, Form::Records, ""},
    {0, "get_dcd", 0, notAvailable, Form::Records, ""}, // a transmitter: no receiver
    {0, "set_twiddle", 1, notAvailable, Form::Records, ""},
    {0, "get_twiddle", 0, notAvailable, Form::Records, ""},
    {0, "uplink", 1, notAvailable, Form::Records, ""},
    {0, "set_cache", 1, notAvailable, Form::Records, ""},
    {0, "get_cache", 0, notAvailable, Form::Records, ""},
    {'2', "power2mW", 3, notAvailable, Form::Records, ""}, // the watts depend on the aerial
    {'4', "mW2power", 3, notAvailable, Form::Records, ""},
    {'1', "dump_caps", 0, notAvailable, Form::Records, ""},
    {'3', "dump_conf", 0, notAvailable, Form::Records, ""},
    {0, "dump_state", 0, dumpState, Form::Block, ""},
    {0, "chk_vfo", 0, none, Form::RecordAlone, "ChkVFO"},
    {0, "set_vfo_opt", 1, onlyPosition<'0'>, Form::Records, ""},
    {0, "get_vfo_info", 1, getVfoInfo, Form::Records, "Freq|Mode|Width|Split|SatMode"},
    {0, "get_rig_info", 0, notAvailable, Form::Records, ""},
    {0, "get_vfo_list", 0, getVfo, Form::Records, "VFOs"},
    {0, "get_modes", 0, getModes, Form::Records, "Modes"},
    {0, "get_clock", 0, notAvailable, Form::Records, ""},
    {0, "set_clock", 1, notAvailable, Form::Records, ""},
    {0, "halt", 0, notAvailable, Form::Records, ""}, // a client does not end the panel
    {0, "pause", 1, notAvailable, Form::Records, ""},
    {0, "password", 1, notAvailable, Form::Records, ""}, // the port asks for none
    {0, "get_mode_bandwidths", 1, notAvailable, Form::Records, ""},
    {0, "set_separator", 1, notAvailable, Form::Records, ""},
    {0, "get_separator", 0, notAvailable, Form::Records, ""},
    {0, "set_lock_mode", 1, onlyPosition<'0'>, Form::Records, ""},
    {0, "get_lock_mode", 0, none, Form::RecordsAndResult, "Locked"},
    {0, "send_raw", 2, notAvailable, Form::Records, ""},
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
    if (!m_ended)
        m_input += bytes;
    QByteArray answers;
    qsizetype read = 0; // of m_input
    while (!m_ended) {
        if (waiting()) {
            if (m_target.keying() && m_waited.elapsed() < kLongestWaitMs)
                break;
            answers += format(kCommands[m_waiting], {}, {}, m_waitingSeparator);
            m_waiting = -1;
        }
        if (m_at < m_line.size()) {
            answers += answerCommands();
            continue;
        }
        const qsizetype end = m_input.indexOf('\n', read);
        if ((end < 0 ? m_input.size() : end) - read > kLongestLine) {
            m_ended = true;
            answers += "RPRT " + QByteArray::number(RigResult::ProtocolError) + '\n';
        }
        if (end < 0 || m_ended)
            break;
        m_line = m_input.mid(read, end - read);
        if (m_line.endsWith('\r'))
            m_line.chop(1);
        m_at = 0;
        read = end + 1;
    }
    m_input.remove(0, m_ended ? m_input.size() : read);
    return answers;
}

QByteArray RigConversation::answerCommands()
{
    const QByteArray &line = m_line;
    qsizetype &at = m_at;
    QByteArray answers;
    char separator = 0;     // plain until a prefix asks for the extended form
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
    while (at < line.size()) {
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
        Arguments args;
        if (entry->arguments == kRestOfLine) {
            args << line.mid(at).trimmed();
            at = line.size();
        }
        for (int n = 0; n < entry->arguments; ++n)
            args << token();
        const bool complete = !args.contains(QByteArray());
        const Answer answer =
            complete ? entry->handler(m_target, args) : result(RigResult::InvalidParameter);
        if (answer.code == kWaitForKeying) {
            m_waiting = int(entry - kCommands);
            m_waitingSeparator = separator;
            m_waited.start();
            return answers; // the rest of the line once the keying is over
        }
        answers += format(*entry, args, answer, separator);
        separator = 0; // a prefix holds for one command
    }
    return answers;
}

QByteArray RigConversation::rigDescription()
{
    // Hamlib's rig description, format 1: receive and transmit ranges
    // (the frequency field's range, CW = 0x2, VFOA = 0x1, one antenna), a 1 Hz tuning
    // step, no filters, no RIT, XIT, IF shift, preamplifier or attenuator,
    // then the function, level and parameter masks: KEYSPD (0x4000) and
    // RFPOWER (0x1000) read and set. targetable_vfo spares the client its
    // VFO swapping at every connection.
    const QByteArray range = QByteArray::number(double(Command::Frequency.min), 'f', 6) + ' ' +
                             QByteArray::number(double(Command::Frequency.max), 'f', 6) +
                             " 0x2 -1 -1 0x1 0x1\n0 0 0 0 0 0 0\n";
    return "1\n2\n0\n" + range + range +
           "0x2 1\n0 0\n"
           "0 0\n"
           "0\n0\n0\n0\n\n\n"
           "0x0\n0x0\n0x5000\n0x5000\n0x0\n0x0\n"
           "targetable_vfo=0x1\nhas_set_vfo=1\nhas_get_vfo=1\nhas_set_freq=1\nhas_get_freq=1\n"
           "done\n";
}
