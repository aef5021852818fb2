#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the 8-bit code page of the Windows machines the transmitters
// are used with. Message files, the settings file and the "=M" line all carry
// one byte per character in it, on every platform.
namespace AnsiText {

// One byte per character; a character outside Windows-1252 becomes '?'.
QByteArray encode(const QString &text);

// The characters of `text` that Windows-1252 lacks (each would go out as
// '?'), each once, in the order of the text, one blank between them.
QString unencodable(const QString &text);

// Every byte becomes one character. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of
// the same value, so any file survives a read and a write unchanged.
QString decode(const QByteArray &bytes);

} // namespace AnsiText
