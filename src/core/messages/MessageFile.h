#pragma once

#include <QString>

#include <optional>

// The operator's message text files, without any window: 8-bit text in the
// system's code page (Windows-1252 where the system has none), or UTF-8 as the
// Linux editors write it; no header, no line end added.
namespace MessageFile {

// How a file's bytes spell its characters. A file is saved in the encoding
// it came in, so the operator's files from other programs stay as they were.
enum class Encoding
{
    CodePage,
    Utf8,
    Utf8WithMark // as Notepad writes it: the byte-order mark first
};

struct Contents
{
    QString text;
    // None for pure ASCII, which reads the same in every encoding.
    std::optional<Encoding> encoding;
};

// No message is this long; reading more of a file could only slow the panel
// down (a wrongly chosen log or image file can be gigabytes).
inline constexpr qint64 kReadLimit = 64 * 1024;

// The first kReadLimit bytes of the file: as UTF-8 when they are valid UTF-8
// beyond ASCII (an 8-bit file with accented letters practically never is),
// else one character per byte in the code page; nothing when it is no
// regular file or cannot be opened or read.
std::optional<Contents> read(const QString &path);

// The bytes of `text` in `encoding`. The characters the encoding cannot hold
// go to `unstorable`, each once, and then nothing is returned.
std::optional<QByteArray> encode(const QString &text, Encoding encoding, QString &unstorable);

enum class Presence
{
    Absent,
    Present,
    Unknown // the name or a folder on its way cannot be examined
};
Presence probe(const QString &path);

// Whether an existing target may be replaced: not a folder, not marked
// read-only, not held open by another program. A target that vanished has
// nothing left to protect.
bool replaceable(const QString &path);

// Writes `bytes` to `path` through a temporary file in the same folder that
// takes the old file's place only once it is complete, so a full disk or a
// vanished folder leaves the old file as it was. False when the new file
// could not be written.
bool write(const QString &path, const QByteArray &bytes);

// The line end a file's text uses: its first CR LF, LF or CR; CR LF (as on
// the Windows machines operators exchange message files with) for a text
// without any.
QString lineEndOf(const QString &text);

// The text of a file made from the message box's raw text, in which each line
// break is a paragraph separator: every line break becomes `lineEnd`.
QString fromBoxText(const QString &rawText, const QString &lineEnd);

} // namespace MessageFile
