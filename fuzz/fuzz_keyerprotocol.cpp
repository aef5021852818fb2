// Any datagram a program sends the CW keyer port: nothing keyed that it did not hold, never a
// character without Morse (so no "?" for one), only speeds the panel's buttons reach, and a
// reply no longer than what it echoes.

#include "FuzzCheck.h"
#include "protocol/Morse.h"
#include "remote/KeyerProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using KeyerProtocol::Request;
    const QByteArray datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    const Request request = KeyerProtocol::read(datagram);
    const QByteArray taken = datagram.left(KeyerProtocol::kLongestRequest);
    const QString sent = QString::fromUtf8(taken);
    for (const QChar c : request.text) {
        check(c == u' ' || !Morse::code(c).isEmpty(), "a character without Morse would be keyed");
        check(sent.count(c) >= request.text.count(c), "a character keyed that nobody sent");
    }
    check(request.kind == Request::Kind::Text || request.text.isEmpty(), "an escape keys text");
    const bool speedAsked = taken.startsWith(QByteArray("\x1b") + '2');
    check(request.kind != Request::Kind::Speed ||
              (speedAsked && request.wpm >= 1 && request.wpm <= 50),
          "a speed the panel's buttons do not reach");
    check(request.reply.size() <= taken.size() + 2, "a reply longer than what it echoes");
    return 0;
}
