#include "KeyerProtocol.h"

#include "protocol/Morse.h"

namespace KeyerProtocol {

Request read(QByteArrayView datagram)
{
    const QByteArray bytes =
        datagram.first(std::min(datagram.size(), kLongestRequest)).toByteArray();
    Request request;
    if (bytes.startsWith('\x1b')) {
        const char letter = bytes.size() > 1 ? bytes[1] : '\0';
        const QByteArray value = bytes.mid(2);
        using Kind = Request::Kind;
        if (letter == '2') {
            bool whole = false;
            const int wpm = value.trimmed().toInt(&whole);
            if (whole && wpm >= kSlowestWpm && wpm <= kFastestWpm)
                request = {Kind::Speed, {}, wpm, {}};
        } else if (letter == '4') {
            request.kind = Kind::Abort;
        } else if (letter == '0') {
            request.kind = Kind::Reset;
        } else if (letter == 'h') {
            request = {Kind::Echo, {}, 0, "h" + value + "\r\n"};
        }
        return request;
    }
    // The text before a "^" is keyed, and echoed once it has been.
    const qsizetype caret = bytes.indexOf('^');
    const QByteArray said = caret < 0 ? bytes : bytes.left(caret);
    request.kind = Request::Kind::Text;
    if (caret >= 0)
        request.reply = said + "\r\n";
    for (const QChar c : QString::fromUtf8(said)) {
        if (c == u'\r' || c == u'\n')
            continue;
        if (c == u' ' || (c != u'+' && c != u'-' && !Morse::code(c).isEmpty()))
            request.text += c;
    }
    return request;
}

} // namespace KeyerProtocol
