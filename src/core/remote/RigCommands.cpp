#include "RigCommands.h"

#include "protocol/CommandProtocol.h"
#include "protocol/Morse.h"
#include "protocol/SpeedGrid.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

namespace {

// The four power options, MIN to MAX, spread over Hamlib's 0.0 .. 1.0.
constexpr qint64 kHighestPower = Command::Power.max;

// The rig description a client reads first (\dump_state): one VFO, CW
// only, the frequency field's range, the levels KEYSPD and RFPOWER.
QByteArray rigDescription()
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

std::optional<double> number(const QByteArray &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

RigAnswer result(int code)
{
    return RigAnswer{code, {}};
}

RigAnswer reading(QList<QByteArray> values)
{
    return RigAnswer{RigResult::Ok, std::move(values)};
}

// A change that goes to the transmitter: refused with the port closed, so
// that nothing is shown or stored that the transmitter does not have; else
// the change's own answer (void: taken).
template <typename Change> RigAnswer ifPortOpen(RigTarget &target, Change change)
{
    if (!target.portOpen())
        return result(RigResult::IoError);
    if constexpr (std::is_void_v<decltype(change())>) {
        change();
        return {};
    } else {
        return change();
    }
}

// A VFO named by a client: the transmitter's only one, as Hamlib names it.
bool isOurVfo(const QByteArray &name)
{
    return name == "VFOA" || name == "currVFO";
}

RigAnswer getFreq(RigTarget &target, const RigArguments &)
{
    if (const std::optional<qint64> hz = target.frequency())
        return reading({QByteArray::number(*hz)});
    return result(RigResult::InvalidParameter); // the stored text spells no number
}

RigAnswer setFreq(RigTarget &target, const RigArguments &args)
{
    // Hamlib sends "500100.000000"; a fraction of a hertz is rounded to the
    // nearest, as rigctld takes it. The panel tunes to it as its buttons do,
    // or nothing is changed.
    const std::optional<double> hz = number(args[0]);
    if (!hz || std::abs(*hz) > 1e15)
        return result(RigResult::InvalidParameter);
    return ifPortOpen(target, [&] {
        return result(target.setFrequency(qRound64(*hz)) ? RigResult::Ok
                                                         : RigResult::InvalidParameter);
    });
}

RigAnswer getMode(RigTarget &, const RigArguments &)
{
    return reading({"CW", "0"});
}

RigAnswer getModes(RigTarget &, const RigArguments &)
{
    return reading({"CW"});
}

RigAnswer setMode(RigTarget &, const RigArguments &args)
{
    return result(args[0] == "CW" && number(args[1]) ? RigResult::Ok : RigResult::InvalidParameter);
}

RigAnswer getVfo(RigTarget &, const RigArguments &)
{
    return reading({"VFOA"});
}

RigAnswer getVfoList(RigTarget &, const RigArguments &)
{
    return reading({"VFOA"}); // the only one
}

RigAnswer setVfo(RigTarget &, const RigArguments &args)
{
    return result(isOurVfo(args[0]) ? RigResult::Ok : RigResult::InvalidVfo);
}

RigAnswer getLevel(RigTarget &target, const RigArguments &args)
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

RigAnswer setLevel(RigTarget &target, const RigArguments &args)
{
    const std::optional<double> value = number(args[1]);
    if (args[0] == "KEYSPD") {
        // Hamlib's speed is in wpm, the panel's in tenths: put onto the
        // buttons' grid, it must lie on it. (Past a million wpm it is no
        // speed, and would not round.)
        const std::optional<qint64> onGrid =
            value && *value >= 0 && *value <= 1e6
                ? std::optional<qint64>(SpeedGrid::nearest(qRound64(*value * 10)))
                : std::nullopt;
        if (!onGrid || *onGrid < SpeedGrid::kSlowest || *onGrid > SpeedGrid::kFastest)
            return result(RigResult::InvalidParameter);
        return ifPortOpen(target, [&] { target.setSpeed(*onGrid); });
    }
    if (args[0] == "RFPOWER") {
        if (!value || *value < 0 || *value > 1)
            return result(RigResult::InvalidParameter);
        return ifPortOpen(target, [&] { target.setPower(qRound(*value * kHighestPower)); });
    }
    return result(RigResult::NotAvailable);
}

// A transmitter has no receiver, so it never detects a carrier; gpredict asks
// for it in its loop.
RigAnswer getDcd(RigTarget &, const RigArguments &)
{
    return reading({"0"});
}

RigAnswer getSplitVfo(RigTarget &, const RigArguments &)
{
    return reading({"0", "VFOA"});
}

RigAnswer stopMorse(RigTarget &target, const RigArguments &)
{
    return ifPortOpen(target, [&] { target.stopMorse(); });
}

// A message is keyed only when every character of it is one the transmitter
// keys: "?" is a Morse character of its own (..--..), so a character without
// Morse (one the code page lacks, a byte that is no UTF-8) is never keyed as
// one; the message is refused whole. A message queued behind one being keyed
// that finds the queue full is refused as the bus is busy.
RigAnswer sendMorse(RigTarget &target, const RigArguments &args)
{
    // cqrlog stops its keyer by sending "b" with a 0xFF, then "b ": a text
    // with nothing to key (blanks, control bytes, 0xFF) stops the keying, as
    // \stop_morse does, and is answered as rigctld answers it.
    const QByteArray &bytes = args[0];
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) {
            const auto byte = static_cast<uchar>(c);
            return byte <= ' ' || byte == 0x7f || byte == 0xff;
        }))
        return stopMorse(target, args);
    const QString text = QString::fromUtf8(bytes).trimmed();
    const bool keyable = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == u' ' || c == u'\t' || !Morse::code(c).isEmpty();
    });
    if (!keyable || text.size() > target.messageLimit())
        return result(RigResult::InvalidParameter);
    return ifPortOpen(
        target, [&] { return result(target.sendMorse(text) ? RigResult::Ok : RigResult::Busy); });
}

// A reading of a switch the transmitter does not have, or has always on.
RigAnswer switchedOff(RigTarget &, const RigArguments &)
{
    return reading({"0"});
}

RigAnswer switchedOn(RigTarget &, const RigArguments &)
{
    return reading({"1"});
}

// What the transmitter can do, as a client reads it from \dump_caps: the
// lines of Hamlib's capability dump that describe it, in their order. It is a
// transmitter: no receive range, no squelch, no memories; one VFO, CW only,
// the frequency field's range, its speed and its four power options.
RigAnswer dumpCaps(RigTarget &target, const RigArguments &)
{
    const QByteArray model = target.model().toLatin1();
    const QByteArray levels = "KEYSPD(1..50/1) RFPOWER(0..1/0.333333) \n";
    QByteArray can;
    for (const auto &[what, yes] : std::initializer_list<std::pair<const char *, bool>>{
             {"set Frequency", true},  {"get Frequency", true}, {"set Mode", true},
             {"get Mode", true},       {"set VFO", true},       {"get VFO", true},
             {"set PTT", true},        {"get PTT", true},       {"get DCD", true},
             {"set Split VFO", true},  {"get Split VFO", true}, {"set Power Stat", true},
             {"get Power Stat", true}, {"set Level", true},     {"get Level", true},
             {"send Morse", true},     {"stop Morse", true},    {"wait Morse", true},
             {"get Info", true},       {"Scan", false},         {"get power2mW", false}})
        can += "Can " + QByteArray(what) + ":\t" + (yes ? "Y" : "N") + '\n';
    return reading({"Caps dump for model: 0\nModel name:\t" + model +
                    "\nMfg name:\tVAKO\nRig type:\tTransmitter\nPTT type:\tNone\n"
                    "DCD type:\tNone\nPort type:\tNetwork link\nHas targetable VFO: Y\n"
                    "Get level: " +
                    levels + "Set level: " + levels +
                    "Mode list: CW \nVFO list: VFOA \nTX ranges #1 for " + model + ":\n\t" +
                    QByteArray::number(Command::Frequency.min) + " Hz - " +
                    QByteArray::number(Command::Frequency.max) +
                    " Hz\n\t\tVFO list: VFOA \n\t\tMode list: CW \n"
                    "RX ranges #1 for " +
                    model + ":\nTuning steps:\n\t1.0 Hz:   \tCW \n" + can +
                    "\nOverall backend warnings: 0\n"});
}

RigAnswer dumpState(RigTarget &, const RigArguments &)
{
    return reading({rigDescription()});
}

RigAnswer getKeying(RigTarget &target, const RigArguments &)
{
    return reading({target.keying() ? "1" : "0"});
}

RigAnswer waitMorse(RigTarget &target, const RigArguments &)
{
    RigAnswer answer;
    answer.afterKeying = target.keyingStationMessages();
    return answer;
}

// A PTT request is taken and changes nothing: the transmitter keys only the
// messages the panel sends it. A client that switches PTT around its own
// keying carries on.
RigAnswer setPtt(RigTarget &, const RigArguments &args)
{
    static const QList<QByteArray> states{"0", "1", "2", "3"}; // off, on, on (mic), on (data)
    return result(states.contains(args[0]) ? RigResult::Ok : RigResult::InvalidParameter);
}

// A switch the transmitter has in one position only: that one is taken, the
// others are not available, and what is no number is no switch position.
template <char Position> RigAnswer onlyPosition(RigTarget &, const RigArguments &args)
{
    if (args[0] == QByteArray(1, Position))
        return {};
    return result(number(args[0]) ? RigResult::NotAvailable : RigResult::InvalidParameter);
}

// gpredict turns split on with the one VFO as the transmitting one: with a
// single VFO that receives and transmits, that is no split at all.
RigAnswer setSplitVfo(RigTarget &target, const RigArguments &args)
{
    if (args[0] == "1" && isOurVfo(args[1]))
        return {};
    return onlyPosition<'0'>(target, args);
}

RigAnswer getInfo(RigTarget &target, const RigArguments &)
{
    return reading({"VAKO " + target.model().toLatin1()});
}

RigAnswer getVfoInfo(RigTarget &target, const RigArguments &args)
{
    if (!isOurVfo(args[0]))
        return result(RigResult::InvalidVfo);
    const RigAnswer frequency = getFreq(target, args);
    if (frequency.code != RigResult::Ok)
        return frequency;
    return reading({frequency.values[0], "CW", "0", "0", "0"});
}

RigAnswer notAvailable(RigTarget &, const RigArguments &)
{
    return result(RigResult::NotAvailable);
}

RigAnswer deprecated(RigTarget &, const RigArguments &)
{
    return result(RigResult::Deprecated);
}

RigAnswer quit(RigTarget &, const RigArguments &)
{
    return {};
}

// Hamlib's command list, in its order, with the argument names its manual
// gives. A command without a letter has a byte of 0x80 or more instead, which
// clients send as its one-byte form (cqrlog 0x87 as it connects, gpredict
// 0x8b in its loop). What the transmitter cannot do is "not available"; readings of it
// too, since no value would be true.
constexpr RigCommand kCommands[] = {
    {'F', "set_freq", setFreq, {"Frequency"}, {}, 0},
    {'f', "get_freq", getFreq, {}, {"Frequency"}, 0},
    {'M', "set_mode", setMode, {"Mode", "Passband"}, {}, 0},
    {'m', "get_mode", getMode, {}, {"Mode", "Passband"}, 0},
    {'I', "set_split_freq", notAvailable, {"TX Frequency"}, {}, 0}, // one VFO: no split
    {'i', "get_split_freq", notAvailable, {}, {}, 0},
    {'X', "set_split_mode", notAvailable, {"TX Mode", "TX Passband"}, {}, 0},
    {'x', "get_split_mode", notAvailable, {}, {}, 0},
    {'K', "set_split_freq_mode", notAvailable, {"TX Frequency", "TX Mode", "TX Passband"}, {}, 0},
    {'k', "get_split_freq_mode", notAvailable, {}, {}, 0},
    {'S', "set_split_vfo", setSplitVfo, {"Split", "TX VFO"}, {}, 0},
    {'s', "get_split_vfo", getSplitVfo, {}, {"Split", "TX VFO"}, 0},
    {'N', "set_ts", notAvailable, {"Tuning Step"}, {}, 0},
    {'n', "get_ts", notAvailable, {}, {}, 0},
    {'L', "set_level", setLevel, {"Level", "Level Value"}, {}, 0},
    {'l', "get_level", getLevel, {"Level"}, {""}, 0},
    {'U', "set_func", notAvailable, {"Func", "Func Status"}, {}, 0},
    {'u', "get_func", notAvailable, {"Func"}, {}, 0},
    {'P', "set_parm", notAvailable, {"Parm", "Parm Value"}, {}, 0},
    {'p', "get_parm", notAvailable, {"Parm"}, {}, 0},
    {'G', "vfo_op", notAvailable, {"Mem/VFO Op"}, {}, 0},
    {'g', "scan", notAvailable, {"Scan Fct", "Scan Channel"}, {}, 0},
    {'A', "set_trn", deprecated, {"Transceive"}, {}, 0},
    {'a', "get_trn", deprecated, {}, {}, 0},
    {'R', "set_rptr_shift", notAvailable, {"Rptr Shift"}, {}, 0},
    {'r', "get_rptr_shift", notAvailable, {}, {}, 0},
    {'O', "set_rptr_offs", notAvailable, {"Rptr Offset"}, {}, 0},
    {'o', "get_rptr_offs", notAvailable, {}, {}, 0},
    {'C', "set_ctcss_tone", notAvailable, {"CTCSS Tone"}, {}, 0},
    {'c', "get_ctcss_tone", notAvailable, {}, {}, 0},
    {'D', "set_dcs_code", notAvailable, {"DCS Code"}, {}, 0},
    {'d', "get_dcs_code", notAvailable, {}, {}, 0},
    {'\x90', "set_ctcss_sql", notAvailable, {"CTCSS Sql"}, {}, 0},
    {'\x91', "get_ctcss_sql", notAvailable, {}, {}, 0},
    {'\x92', "set_dcs_sql", notAvailable, {"DCS Sql"}, {}, 0},
    {'\x93', "get_dcs_sql", notAvailable, {}, {}, 0},
    {'V', "set_vfo", setVfo, {"VFO"}, {}, 0},
    {'v', "get_vfo", getVfo, {}, {"VFO"}, 0},
    {'T', "set_ptt", setPtt, {"PTT"}, {}, 0},
    {'t', "get_ptt", getKeying, {}, {"PTT"}, 0},
    {'E', "set_mem", notAvailable, {"Memory#"}, {}, 0},
    {'e', "get_mem", notAvailable, {}, {}, 0},
    {'H', "set_channel", notAvailable, {"Channel"}, {}, 0},
    {'h', "get_channel", notAvailable, {"Channel", "Read Only"}, {}, 0},
    {'B', "set_bank", notAvailable, {"Bank"}, {}, 0},
    {'_', "get_info", getInfo, {}, {"Info"}, 0},
    {'J', "set_rit", notAvailable, {"RIT"}, {}, 0},
    {'j', "get_rit", notAvailable, {}, {}, 0},
    {'Z', "set_xit", notAvailable, {"XIT"}, {}, 0},
    {'z', "get_xit", notAvailable, {}, {}, 0},
    {'Y', "set_ant", notAvailable, {"Antenna", "Option"}, {}, 0},
    {'y', "get_ant", notAvailable, {"Antenna"}, {}, 0},
    {'\x87', "set_powerstat", onlyPosition<'1'>, {"Power Status"}, {}, 0},
    {'\x88', "get_powerstat", switchedOn, {}, {"Power Status"}, 0},
    {'\x89', "send_dtmf", notAvailable, {"Digits"}, {}, 0},
    {'\x8a', "recv_dtmf", notAvailable, {}, {}, 0},
    {'*', "reset", notAvailable, {"Reset"}, {}, 0},
    {'w', "send_cmd", notAvailable, {"Cmd"}, {}, 0},
    {'W', "send_cmd_rx", notAvailable, {"Cmd", "Reply"}, {}, 0},
    {'b', "send_morse", sendMorse, {"Morse"}, {}, RigFlag::RestOfLine},
    {'\xbb', "stop_morse", stopMorse, {}, {}, 0},
    {'\xbc', "wait_morse", waitMorse, {}, {}, 0},
    {'\x94', "send_voice_mem", notAvailable, {"Voice Mem#"}, {}, 0},
    {'\x8b', "get_dcd", getDcd, {}, {"DCD"}, 0},
    {'\x8d', "set_twiddle", notAvailable, {"Timeout (secs)"}, {}, 0},
    {'\x8e', "get_twiddle", notAvailable, {}, {}, 0},
    {'\x97', "uplink", notAvailable, {"Position"}, {}, 0},
    {'\x95', "set_cache", notAvailable, {"Timeout (msecs)"}, {}, 0},
    {'\x96', "get_cache", notAvailable, {}, {}, 0},
    {'2', "power2mW", notAvailable, {"Power [0.0..1.0]", "Frequency", "Mode"}, {}, 0}, // the
    {'4', "mW2power", notAvailable, {"Power mW", "Frequency", "Mode"}, {}, 0}, // aerial's watts
    {'1', "dump_caps", dumpCaps, {}, {""}, RigFlag::Block | RigFlag::ResultAfterRecords},
    {'3', "dump_conf", notAvailable, {}, {}, 0},
    {'\x8f', "dump_state", dumpState, {}, {""}, RigFlag::Block},
    {'\xf0', "chk_vfo", switchedOff, {}, {"ChkVFO"}, RigFlag::RecordOnly},
    {'\xf2', "set_vfo_opt", onlyPosition<'0'>, {"Status"}, {}, 0},
    {'\xf3', "get_vfo_info", getVfoInfo, {"VFO"}, {"Freq", "Mode", "Width", "Split", "SatMode"}, 0},
    {'\xf5', "get_rig_info", notAvailable, {}, {}, 0},
    {'\xf4', "get_vfo_list", getVfoList, {}, {"VFOs"}, 0},
    {'\xf6', "get_modes", getModes, {}, {"Modes"}, 0},
    {'\xf9', "get_clock", notAvailable, {}, {}, 0},
    {'\xf8', "set_clock", notAvailable, {"DateTime"}, {}, 0},
    {'\xf1', "halt", notAvailable, {}, {}, 0}, // a client does not end the panel
    {'\x8c', "pause", notAvailable, {"Seconds"}, {}, 0},
    {'\x98', "password", notAvailable, {"Password"}, {}, 0}, // the port asks for none
    {'\xf7', "get_mode_bandwidths", notAvailable, {"Mode"}, {}, 0},
    {'\xa0', "set_separator", notAvailable, {"SeparatorChar"}, {}, 0},
    {'\xa1', "get_separator", notAvailable, {}, {}, 0},
    {'\xa2', "set_lock_mode", onlyPosition<'0'>, {"Locked"}, {}, 0},
    {'\xa3', "get_lock_mode", switchedOff, {}, {"Locked"}, RigFlag::ResultAfterRecords},
    {'\xa4', "send_raw", notAvailable, {"Terminator", "String"}, {}, 0},
    {'q', nullptr, quit, {}, {}, RigFlag::Ends},
    {'Q', nullptr, quit, {}, {}, RigFlag::Ends},
};

} // namespace

int RigCommand::argumentCount() const
{
    int n = 0;
    while (n < int(arguments.size()) && arguments[size_t(n)])
        ++n;
    return n;
}

const RigCommand *findRigCommand(QByteArrayView name)
{
    for (const RigCommand &command : kCommands) {
        if (name.size() == 1 ? command.letter && name[0] == command.letter
                             : command.name && name == command.name)
            return &command;
    }
    return nullptr;
}

// Extended: the long name and the arguments as received (a rest-of-line
// argument with the blanks it was sent with, as rigctld writes it), the
// records, then "RPRT n", separated by `separator`.
QByteArray formatRigAnswer(const RigCommand &command, const RigArguments &args,
                           const RigAnswer &answer, char separator)
{
    const QByteArray result = "RPRT " + QByteArray::number(answer.code) + '\n';
    if (command.has(RigFlag::Ends) || (answer.code != RigResult::Ok && !separator))
        return result;
    const char end = separator ? separator : '\n';
    QByteArray records;
    for (qsizetype i = 0; i < answer.values.size(); ++i) {
        const char *key =
            separator && size_t(i) < command.records.size() ? command.records[size_t(i)] : nullptr;
        records += (key && *key ? QByteArray(key) + ": " : QByteArray()) + answer.values[i] +
                   (command.has(RigFlag::Block) ? "" : QByteArray(1, end));
    }
    if (command.has(RigFlag::RecordOnly))
        return records.chopped(1) + '\n';
    if (!separator)
        return answer.values.isEmpty() || command.has(RigFlag::ResultAfterRecords)
                   ? records + result
                   : records;
    QByteArray out = QByteArray(command.name) + ':';
    for (const QByteArray &arg : args)
        out += " " + arg;
    return out + separator + records + result;
}
