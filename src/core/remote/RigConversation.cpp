#include "RigConversation.h"

#include "RigCommands.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
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
            // The keying's end is the Morse time of what is keyed and queued:
            // a wait ends by itself, however slow the speed.
            if (m_target.keyingStationMessages())
                break;
            answers += formatRigAnswer(*m_waiting, {}, {}, m_waitingSeparator);
            m_waiting = nullptr;
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
        const RigCommand *entry = findRigCommand(name);
        if (!entry || (c == '\\' && name.size() == 1)) {
            separator = 0;
            continue; // as rigctld: no answer to what it does not know
        }
        if (entry->has(RigFlag::Ends)) {
            m_ended = true;
            return answers + formatRigAnswer(*entry, {}, {}, separator);
        }
        RigArguments args;
        if (entry->has(RigFlag::RestOfLine)) {
            args << line.mid(at); // as sent: its blanks are the client's
            at = line.size();
        }
        for (int n = int(args.size()); n < entry->argumentCount(); ++n)
            args << token();
        const bool complete = !args.contains(QByteArray());
        const RigAnswer answer = complete ? entry->handler(m_target, args)
                                          : RigAnswer{RigResult::InvalidParameter, {}, false};
        if (answer.afterKeying) {
            m_waiting = entry;
            m_waitingSeparator = separator;
            return answers; // the rest of the line once the keying is over
        }
        answers += formatRigAnswer(*entry, args, answer, separator);
        separator = 0; // a prefix holds for one command
    }
    return answers;
}
