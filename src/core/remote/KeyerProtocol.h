#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The CW keyer protocol that logging and contest programs speak to the CW
// keying daemon cwdaemon: one UDP datagram a request, either text to key or
// ESC and a letter with its value. What the panel makes of one datagram.
namespace KeyerProtocol {

// cwdaemon reads the first 256 bytes of a datagram; the rest is dropped.
inline constexpr qsizetype kLongestRequest = 256;
// Hamlib's and cwdaemon's slowest useful speed is far below the panel's
// whole-wpm steps; the panel takes the speeds its buttons reach.
inline constexpr int kSlowestWpm = 1;
inline constexpr int kFastestWpm = 50;

struct Request
{
    enum class Kind
    {
        Ignored, // the tone, volume, weight, PTT, device, exit and unknown escapes
        Text,    // key `text` after what is keyed and queued
        Speed,   // ESC 2: `wpm`
        Abort,   // ESC 4: stop the keying, empty the queue
        Reset,   // ESC 0: empty the queue; the panel's speed stays
        Echo,    // ESC h: `reply` once the next text has been keyed
    };
    Kind kind = Kind::Ignored;
    QString text;     // Text: only characters with Morse, and blanks
    int wpm = 0;      // Speed
    QByteArray reply; // Text ending in '^', Echo: sent back once the text is keyed
};

// Reads one datagram. Within a text, cwdaemon's controls "+" and "-"
// (faster and slower by 2 wpm for the rest of it) and "~" (a half gap) have
// no counterpart in the transmitter's one speed per message and are left
// out, as is every character without Morse (never a "?" for it); a line end
// is dropped, and a "^" ends the text and asks for it to be echoed.
Request read(QByteArrayView datagram);

} // namespace KeyerProtocol
